#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace norvel {

// Carries the operating system's own description (strerror text) and the path.
class FileError : public std::runtime_error {
 public:
  // What a caller may want to say in its own words; the description stays the system's.
  enum class Cause {
    kOther,
    kNotRegularFile,  // a folder is kOther, with the system's own text for it
    kReadOnlyFile,    // marked read-only: no write permission bit, or the read-only attribute
  };

  explicit FileError(const std::string& what, Cause cause = Cause::kOther)
      : std::runtime_error(what), cause_(cause) {}
  Cause cause() const { return cause_; }

 private:
  Cause cause_;
};

// What tells whether the file on disk is still the one that was read.
struct FileIdentity {
  std::uint64_t device = 0;  // the volume serial number on Windows
  std::uint64_t index = 0;   // the inode; the file index on Windows
  std::int64_t size = 0;
  std::int64_t modified_seconds = 0;
  std::int64_t modified_nanoseconds = 0;
  bool read_only = false;  // no write permission bit; the read-only attribute on Windows

  bool sameFileAs(const FileIdentity& other) const {
    return device == other.device && index == other.index && size == other.size &&
           modified_seconds == other.modified_seconds &&
           modified_nanoseconds == other.modified_nanoseconds;
  }
};

struct IdentifiedFile {
  std::string path;  // the file itself, symbolic links resolved: a replace keeps the link
  std::string bytes;
  FileIdentity identity;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // True when the path names a regular file that can be opened for reading right now.
  virtual bool canOpenForReading(const std::string& path) const = 0;

  // The whole file as bytes. Throws FileError.
  virtual std::string readFile(const std::string& path) const = 0;

  // An existing regular file, never created, read whole with its identity. Throws FileError,
  // with Cause::kNotRegularFile for a device or a pipe.
  virtual IdentifiedFile readIdentifiedFile(const std::string& path) const = 0;

  // Throws FileError when the path names nothing.
  virtual FileIdentity identityOf(const std::string& path) const = 0;

  // Throws FileError unless this user may replace the file: Cause::kReadOnlyFile with the
  // system's "access denied" text when the file is marked read-only, even for a privileged
  // user who could replace it.
  virtual void checkCanReplace(const std::string& path) const = 0;

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

  // The same for a file only this user may read (a run's journal): on disk, folder entry
  // included, when this returns. Throws FileError.
  virtual void writePrivateFile(const std::string& path, std::string_view bytes) {
    replaceFile(path, bytes);
  }
};

}  // namespace norvel
