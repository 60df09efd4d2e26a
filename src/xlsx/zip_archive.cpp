#include "xlsx/zip_archive.h"

#include <zip.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/database.h"

namespace norvel::xlsx {

namespace {

class ZipError {
 public:
  ZipError() { zip_error_init(&error_); }
  ~ZipError() { zip_error_fini(&error_); }
  ZipError(const ZipError&) = delete;
  ZipError& operator=(const ZipError&) = delete;
  zip_error_t* get() { return &error_; }
  std::string text() { return zip_error_strerror(&error_); }

 private:
  zip_error_t error_;
};

class ZipFile {
 public:
  explicit ZipFile(zip_file_t* file) : file_(file) {}
  ~ZipFile() {
    if (file_ != nullptr) zip_fclose(file_);
  }
  ZipFile(const ZipFile&) = delete;
  ZipFile& operator=(const ZipFile&) = delete;
  zip_file_t* get() const { return file_; }

 private:
  zip_file_t* file_;
};

// libzip 1.7 frees the buffers of an in-memory archive when it rewrites it, whether it owns
// them or not; so it gets copies of its own, allocated the way it frees them.
void* ownedCopy(std::string_view data) {
  void* copy = std::malloc(data.empty() ? 1 : data.size());
  if (copy == nullptr) throw std::bad_alloc();
  if (!data.empty()) std::memcpy(copy, data.data(), data.size());
  return copy;
}

}  // namespace

ZipArchive::ZipArchive(const std::string& bytes, InflateLimits limits) : limits_(limits) {
  ZipError error;
  void* data = ownedCopy(bytes);
  source_ = zip_source_buffer_create(data, bytes.size(), 1, error.get());
  if (source_ == nullptr) {
    std::free(data);
    throw DatabaseError(error.text());
  }
  // The archive takes over one reference; the second one lets the written bytes be read back.
  zip_source_keep(source_);
  archive_ = zip_open_from_source(source_, 0, error.get());
  if (archive_ == nullptr) {
    zip_source_free(source_);
    zip_source_free(source_);
    throw DatabaseError(error.text());
  }
}

ZipArchive::~ZipArchive() {
  if (archive_ != nullptr) zip_discard(archive_);
  zip_source_free(source_);
}

void ZipArchive::checkInflatedSize(const std::string& entry, std::uint64_t size,
                                   std::uint64_t compressed_size) const {
  if (size > limits_.max_size) {
    throw DatabaseError(entry + ": the part would inflate to " + std::to_string(size) +
                        " bytes, more than the " + std::to_string(limits_.max_size) +
                        " bytes a workbook part may hold");
  }
  if (size > limits_.ratio_exempt_size && size / limits_.max_ratio > compressed_size) {
    throw DatabaseError(entry + ": the part would inflate from " + std::to_string(compressed_size) +
                        " to " + std::to_string(size) + " bytes, more than " +
                        std::to_string(limits_.max_ratio) +
                        " times its compressed size; the file looks like a zip bomb");
  }
}

void ZipArchive::fail(const std::string& what) const {
  throw DatabaseError(what + ": " + zip_strerror(archive_));
}

long long ZipArchive::locate(std::string_view name) const {
  return zip_name_locate(archive_, std::string(name).c_str(), ZIP_FL_NOCASE | ZIP_FL_ENC_GUESS);
}

bool ZipArchive::contains(std::string_view name) const {
  return locate(name) >= 0;
}

std::optional<std::string> ZipArchive::readIfPresent(std::string_view name) const {
  const auto index = locate(name);
  if (index < 0) return std::nullopt;
  const std::string entry(name);
  zip_stat_t stat;
  zip_stat_init(&stat);
  if (zip_stat_index(archive_, static_cast<zip_uint64_t>(index), 0, &stat) != 0) fail(entry);
  if ((stat.valid & ZIP_STAT_SIZE) == 0 || (stat.valid & ZIP_STAT_COMP_SIZE) == 0) {
    throw DatabaseError(entry + ": the entry's size is missing");
  }
  checkInflatedSize(entry, stat.size, stat.comp_size);
  ZipFile file(zip_fopen_index(archive_, static_cast<zip_uint64_t>(index), 0));
  if (file.get() == nullptr) fail(entry);
  // The stated size may be a lie; libzip inflates no more than is asked for, so memory stays
  // within the stated size, and one byte beyond it shows a lie.
  std::string data(static_cast<std::size_t>(stat.size), '\0');
  std::size_t done = 0;
  while (done < data.size()) {
    auto n = zip_fread(file.get(), data.data() + done, data.size() - done);
    if (n < 0) throw DatabaseError(entry + ": " + zip_file_strerror(file.get()));
    if (n == 0) throw DatabaseError(entry + ": the entry ends before its stated size");
    done += static_cast<std::size_t>(n);
  }
  // Closing verifies the CRC only once the whole entry was read; a mismatch shows here.
  char extra;
  const auto n = zip_fread(file.get(), &extra, 1);
  if (n < 0) throw DatabaseError(entry + ": " + zip_file_strerror(file.get()));
  if (n > 0) {
    throw DatabaseError(entry + ": the entry inflates to more than its stated size of " +
                        std::to_string(stat.size) + " bytes");
  }
  return data;
}

std::string ZipArchive::read(std::string_view name) const {
  auto data = readIfPresent(name);
  if (!data) throw DatabaseError("the package has no part " + std::string(name));
  return std::move(*data);
}

void ZipArchive::replace(std::string_view name, std::string_view data) {
  const auto index = locate(name);
  if (index < 0) throw DatabaseError("the package has no part " + std::string(name));
  void* copy = ownedCopy(data);
  zip_source_t* source = zip_source_buffer(archive_, copy, data.size(), 1);
  if (source == nullptr) {
    std::free(copy);
    fail(std::string(name));
  }
  if (zip_file_replace(archive_, static_cast<zip_uint64_t>(index), source, 0) != 0) {
    zip_source_free(source);
    fail(std::string(name));
  }
  // Keep the entry's own compression method (stored entries stay stored).
  zip_stat_t stat;
  zip_stat_init(&stat);
  if (zip_stat_index(archive_, static_cast<zip_uint64_t>(index), ZIP_FL_UNCHANGED, &stat) == 0 &&
      (stat.valid & ZIP_STAT_COMP_METHOD) != 0 &&
      (stat.comp_method == ZIP_CM_STORE || stat.comp_method == ZIP_CM_DEFLATE)) {
    zip_set_file_compression(archive_, static_cast<zip_uint64_t>(index), stat.comp_method, 0);
  }
}

void ZipArchive::remove(std::string_view name) {
  const auto index = locate(name);
  if (index < 0) return;
  if (zip_delete(archive_, static_cast<zip_uint64_t>(index)) != 0) fail(std::string(name));
}

std::string ZipArchive::commitToBytes() {
  if (zip_close(archive_) != 0) fail("writing the package");
  archive_ = nullptr;

  if (zip_source_open(source_) != 0)
    throw DatabaseError(zip_error_strerror(zip_source_error(source_)));
  std::string bytes;
  char buffer[65536];
  for (;;) {
    auto n = zip_source_read(source_, buffer, sizeof buffer);
    if (n < 0) {
      std::string text = zip_error_strerror(zip_source_error(source_));
      zip_source_close(source_);
      throw DatabaseError(text);
    }
    if (n == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  zip_source_close(source_);
  return bytes;
}

}  // namespace norvel::xlsx
