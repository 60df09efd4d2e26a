#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace norvel::xlsx {

// What tells whether the file on disk is still the one that was read.
// On Windows: the volume serial number, the file index, the last write time and the attributes.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::int64_t size = 0;
  timespec modified{};
  std::uint32_t mode = 0;
  std::uint32_t owner = 0;
  std::uint32_t group = 0;
};

struct LoadedFile {
  std::string path;  // the file itself, symbolic links resolved
  std::string bytes;
  FileIdentity identity;
};

// Reads a whole existing file; never creates one. Throws DatabaseError with strerror's text.
LoadedFile loadFile(const std::string& path);

// Replaces the file's contents through a temporary file in the same folder that is renamed
// over it only once completely written, so a failure leaves the file as it was. Refuses when
// the file is read-only or is no longer the one described by expected. Returns the new identity;
// throws DatabaseError with the reason (strerror's text where the system gives one).
FileIdentity replaceFile(const std::string& path, const std::string& bytes,
                         const FileIdentity& expected);

}  // namespace norvel::xlsx
