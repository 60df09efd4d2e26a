#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/zip/zip_entry_reader.h"

namespace norvel::ziparchive {

// A zip archive in memory, opened only to be read, its central directory checked for
// consistency first.
class ZipReader {
 public:
  // Reads from bytes, which must outlive the reader. Throws ZipReadError (kLibrary, with no
  // entry) when the bytes are no zip archive.
  explicit ZipReader(std::string_view bytes);
  ~ZipReader();
  ZipReader(const ZipReader&) = delete;
  ZipReader& operator=(const ZipReader&) = delete;

  // Every entry's name, by index; an entry whose name cannot be read is "".
  std::vector<std::string> entryNames() const;

  // The whole entry at index. Throws ZipReadError.
  std::string read(std::size_t index, const InflateLimits& limits) const;

 private:
  ::zip* archive_ = nullptr;
};

}  // namespace norvel::ziparchive
