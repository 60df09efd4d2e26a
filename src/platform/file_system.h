#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace norvel {

// Carries the operating system's own description (strerror text) and the path.
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // True when the path names a regular file that can be opened for reading right now.
  virtual bool canOpenForReading(const std::string& path) const = 0;

  // The whole file as bytes. Throws FileError.
  virtual std::string readFile(const std::string& path) const = 0;

  // Throws FileError; callers that only tidy up ignore it.
  virtual void removeFile(const std::string& path) = 0;

  // Creates the folder and the folders above it that are missing. Throws FileError.
  virtual void createDirectories(const std::string& /*path*/) {}

  // True when this user may create files in the folder.
  virtual bool canWriteInDirectory(const std::string& /*directory*/) const { return true; }

  // Writes a complete new file and only then replaces the old one (temporary file in the same
  // folder, flushed, renamed over the target), so a failure leaves the old file intact.
  // Throws FileError.
  virtual void replaceFile(const std::string& path, std::string_view bytes) = 0;
};

}  // namespace norvel
