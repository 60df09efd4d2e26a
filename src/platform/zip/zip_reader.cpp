#include "platform/zip/zip_reader.h"

#include <zip.h>

namespace norvel::ziparchive {
namespace {

class LibraryError {
 public:
  LibraryError() { zip_error_init(&error_); }
  ~LibraryError() { zip_error_fini(&error_); }
  LibraryError(const LibraryError&) = delete;
  LibraryError& operator=(const LibraryError&) = delete;
  zip_error_t* get() { return &error_; }
  std::string text() { return zip_error_strerror(&error_); }

 private:
  zip_error_t error_;
};

}  // namespace

ZipReader::ZipReader(std::string_view bytes) {
  LibraryError error;
  zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, error.get());
  if (source == nullptr) throw ZipReadError(ZipFault::kLibrary, "", error.text());
  archive_ = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, error.get());
  if (archive_ == nullptr) {
    // Only an archive that opened takes the source over.
    zip_source_free(source);
    throw ZipReadError(ZipFault::kLibrary, "", error.text());
  }
}

ZipReader::~ZipReader() {
  zip_discard(archive_);
}

std::vector<std::string> ZipReader::entryNames() const {
  std::vector<std::string> names;
  const zip_int64_t count = zip_get_num_entries(archive_, 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    const char* name = zip_get_name(archive_, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_GUESS);
    names.emplace_back(name != nullptr ? name : "");
  }
  return names;
}

std::string ZipReader::read(std::size_t index, const InflateLimits& limits) const {
  const char* name = zip_get_name(archive_, index, ZIP_FL_ENC_GUESS);
  const auto reader = openEntry(archive_, index, name != nullptr ? name : "", limits);
  return readToEnd(*reader);
}

}  // namespace norvel::ziparchive
