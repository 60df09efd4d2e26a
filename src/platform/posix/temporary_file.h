#pragma once

#include <sys/types.h>

#include <string>

#include "platform/posix/file_descriptor.h"

namespace norvel {

// Installs handlers for SIGINT, SIGTERM and SIGHUP that remove the temporary files being
// written at that moment and then let the signal end the process as it would have. A signal
// the program was started with ignored stays ignored. Call once, early in main.
void installTempFileCleanup();

// A new file "<target>.norvel-<pid>-XXXXXX" beside target, removed on every way out until it
// is kept: by the destructor, and by the handlers installTempFileCleanup installs.
class TemporaryFile {
 public:
  // Throws FileError "<target>: <strerror text>".
  explicit TemporaryFile(const std::string& target);
  ~TemporaryFile();
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  FileDescriptor& descriptor() { return file_; }
  const std::string& path() const { return path_; }

  // The file was renamed over its target: there is nothing left to remove.
  void keep();

  // Renames the file over target and keeps it. Throws FileError "<target>: <strerror text>".
  void renameOver(const std::string& target);

 private:
  std::string path_;
  FileDescriptor file_;
  int slot_ = -1;
  bool kept_ = false;
};

// The mode open() gives a new file asked for 0666: the process's umask taken away. Read
// without changing the umask, which other threads may be using.
mode_t newFileMode();

// Removes the temporary files of target that a process which no longer runs left behind (a
// kill -9 during a save): only regular files of this user whose name is exactly target's
// pattern. Best effort; what cannot be removed stays.
void removeStaleTemporaryFiles(const std::string& target);

}  // namespace norvel
