#pragma once

#include <cstddef>
#include <string>

namespace norvel::routing {

// What the system says of a path, and the first bytes of a regular file.
struct FileHead {
  enum class Type { kMissing, kDirectory, kRegular, kOther };
  Type type = Type::kMissing;
  std::string bytes;
  // Set when the file exists but could not be looked at or read: the system's own text.
  std::string error;
};

// Reads at most limit bytes; never creates, changes or blocks on anything (a device or a pipe
// is not read at all).
FileHead readFileHead(const std::string& path, std::size_t limit);

}  // namespace norvel::routing
