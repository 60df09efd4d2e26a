#include "xlsx/zip_archive.h"

#include <zip.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <utility>

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

// libzip 1.7 frees the buffers of an in-memory archive when it rewrites it, whether it owns
// them or not; so it gets copies of its own, allocated the way it frees them.
void* ownedCopy(std::string_view data) {
  void* copy = std::malloc(data.empty() ? 1 : data.size());
  if (copy == nullptr) throw std::bad_alloc();
  if (!data.empty()) std::memcpy(copy, data.data(), data.size());
  return copy;
}

// The part's fault in the workbook's words.
DatabaseError describe(const ziparchive::ZipReadError& error, const InflateLimits& limits) {
  using ziparchive::ZipFault;
  const std::string& entry = error.entry();
  switch (error.fault()) {
    case ZipFault::kLibrary:
      break;
    case ZipFault::kSizeUnknown:
      return DatabaseError(entry + ": サイズが記録されていません");
    case ZipFault::kTooLarge:
      return DatabaseError(entry + ": 展開すると " + std::to_string(error.size()) +
                           " バイトになり、ブックのパーツの上限 " +
                           std::to_string(limits.max_size) + " バイトを超えます");
    case ZipFault::kTooCompressed:
      return DatabaseError(entry + ": 展開すると " + std::to_string(error.compressedSize()) +
                           " バイトから " + std::to_string(error.size()) +
                           " バイトになり、圧縮サイズの " + std::to_string(limits.max_ratio) +
                           " 倍を超えます。ZIP 爆弾と思われるファイルです");
    case ZipFault::kLongerThanStated:
      return DatabaseError(entry + ": 展開すると、記録されたサイズ " +
                           std::to_string(error.size()) + " バイトを超えます");
    case ZipFault::kShorterThanStated:
      return DatabaseError(entry + ": 記録されたサイズに達する前にデータが終わっています");
  }
  return DatabaseError(entry + ": " + error.what());
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

void ZipArchive::fail(const std::string& what) const {
  throw DatabaseError(what + ": " + zip_strerror(archive_));
}

long long ZipArchive::locate(std::string_view name) const {
  return zip_name_locate(archive_, std::string(name).c_str(), ZIP_FL_NOCASE | ZIP_FL_ENC_GUESS);
}

bool ZipArchive::contains(std::string_view name) const {
  return locate(name) >= 0;
}

EntryReader::EntryReader(std::unique_ptr<ziparchive::EntryReader> reader, InflateLimits limits)
    : reader_(std::move(reader)), limits_(limits) {}

std::size_t EntryReader::read(char* data, std::size_t capacity) {
  try {
    return reader_->read(data, capacity);
  } catch (const ziparchive::ZipReadError& error) {
    throw describe(error, limits_);
  }
}

std::unique_ptr<EntryReader> ZipArchive::open(std::string_view name) const {
  const auto index = locate(name);
  if (index < 0) throw DatabaseError("パッケージにパーツ " + std::string(name) + " がありません");
  try {
    return std::make_unique<EntryReader>(
        ziparchive::openEntry(archive_, static_cast<std::uint64_t>(index), std::string(name),
                              limits_),
        limits_);
  } catch (const ziparchive::ZipReadError& error) {
    throw describe(error, limits_);
  }
}

std::optional<std::string> ZipArchive::readIfPresent(std::string_view name) const {
  const auto index = locate(name);
  if (index < 0) return std::nullopt;
  try {
    return ziparchive::readToEnd(*ziparchive::openEntry(archive_, static_cast<std::uint64_t>(index),
                                                        std::string(name), limits_));
  } catch (const ziparchive::ZipReadError& error) {
    throw describe(error, limits_);
  }
}

std::string ZipArchive::read(std::string_view name) const {
  auto data = readIfPresent(name);
  if (!data) throw DatabaseError("パッケージにパーツ " + std::string(name) + " がありません");
  return std::move(*data);
}

void ZipArchive::replace(std::string_view name, std::string_view data) {
  const auto index = locate(name);
  if (index < 0) throw DatabaseError("パッケージにパーツ " + std::string(name) + " がありません");
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
  keepCompression(index);
}

// Keeps the entry's own compression method (stored entries stay stored). Deflate at zlib's
// default level, as Excel and most producers write: libzip's own default, the best
// compression, takes three times as long for a part about 5% smaller.
void ZipArchive::keepCompression(long long index) {
  constexpr zip_uint32_t kDeflateLevel = 6;
  zip_stat_t stat;
  zip_stat_init(&stat);
  if (zip_stat_index(archive_, static_cast<zip_uint64_t>(index), ZIP_FL_UNCHANGED, &stat) == 0 &&
      (stat.valid & ZIP_STAT_COMP_METHOD) != 0 &&
      (stat.comp_method == ZIP_CM_STORE || stat.comp_method == ZIP_CM_DEFLATE)) {
    // libzip drops the level when the method is the entry's own; ZIP_CM_DEFAULT is deflate.
    if (stat.comp_method == ZIP_CM_DEFLATE) {
      zip_set_file_compression(archive_, static_cast<zip_uint64_t>(index), ZIP_CM_DEFAULT,
                               kDeflateLevel);
    } else {
      zip_set_file_compression(archive_, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
    }
  }
}

// libzip pulls a produced part through this callback while it writes the archive. A failure
// is kept to be thrown as it was once libzip gives up.
struct ZipArchive::ProducedPart {
  std::unique_ptr<PartProducer> producer;
  ZipError error;
  std::exception_ptr failure;

  explicit ProducedPart(std::unique_ptr<PartProducer> p) : producer(std::move(p)) {}

  static zip_int64_t callback(void* self, void* data, zip_uint64_t length, zip_source_cmd_t cmd) {
    return static_cast<ProducedPart*>(self)->command(data, length, cmd);
  }

  zip_int64_t command(void* data, zip_uint64_t length, zip_source_cmd_t cmd) {
    try {
      switch (cmd) {
        case ZIP_SOURCE_SUPPORTS:
          return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                                ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE,
                                                -1);
        case ZIP_SOURCE_OPEN:
          producer->start();
          return 0;
        case ZIP_SOURCE_READ:
          return static_cast<zip_int64_t>(
              producer->read(static_cast<char*>(data), static_cast<std::size_t>(length)));
        case ZIP_SOURCE_STAT: {
          auto* stat = static_cast<zip_stat_t*>(data);
          zip_stat_init(stat);
          stat->size = producer->size();
          stat->valid |= ZIP_STAT_SIZE;
          return sizeof(zip_stat_t);
        }
        case ZIP_SOURCE_ERROR:
          return zip_error_to_data(error.get(), data, length);
        case ZIP_SOURCE_CLOSE:
        case ZIP_SOURCE_FREE:
          return 0;
        default:
          zip_error_set(error.get(), ZIP_ER_OPNOTSUPP, 0);
          return -1;
      }
    } catch (...) {
      failure = std::current_exception();
      zip_error_set(error.get(), ZIP_ER_INTERNAL, 0);
      return -1;
    }
  }
};

void ZipArchive::replace(std::string_view name, std::unique_ptr<PartProducer> producer) {
  const auto index = locate(name);
  if (index < 0) throw DatabaseError("パッケージにパーツ " + std::string(name) + " がありません");
  auto part = std::make_unique<ProducedPart>(std::move(producer));
  zip_source_t* source = zip_source_function(archive_, &ProducedPart::callback, part.get());
  if (source == nullptr) fail(std::string(name));
  if (zip_file_replace(archive_, static_cast<zip_uint64_t>(index), source, 0) != 0) {
    zip_source_free(source);
    fail(std::string(name));
  }
  produced_.push_back(std::move(part));
  keepCompression(index);
}

void ZipArchive::remove(std::string_view name) {
  const auto index = locate(name);
  if (index < 0) return;
  if (zip_delete(archive_, static_cast<zip_uint64_t>(index)) != 0) fail(std::string(name));
}

std::string ZipArchive::commitToBytes() {
  if (zip_close(archive_) != 0) {
    for (const auto& part : produced_) {
      if (part->failure) std::rethrow_exception(part->failure);
    }
    fail("パッケージの書き込み");
  }
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
