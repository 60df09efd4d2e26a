#pragma once

#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace norvel {

// Files through the POSIX calls; every FileError reads "<path>: <strerror text>".
class PosixFileSystem : public FileSystem {
 public:
  bool canOpenForReading(const std::string& path) const override;
  std::string readFile(const std::string& path) const override;
  IdentifiedFile readIdentifiedFile(const std::string& path) const override;
  FileIdentity identityOf(const std::string& path) const override;
  // The mode's write bits first: root may write anything, but not what its owner protected.
  void checkCanReplace(const std::string& path) const override;
  void removeFile(const std::string& path) override;
  // Folders are made with 0777 less the umask.
  void createDirectories(const std::string& path) override;
  bool canWriteInDirectory(const std::string& directory) const override;

  // Writes "<name>.norvel-<pid>-XXXXXX" beside the target, flushes it to disk, gives it the
  // old file's permission bits (a new file gets 0666 less the umask) and renames it over the
  // target. On any failure the temporary file is removed and the old file stays as it was.
  // Temporary files of the target that a killed process left behind are removed first.
  void replaceFile(const std::string& path, std::string_view bytes) override;
  void writePrivateFile(const std::string& path, std::string_view bytes) override;
};

}  // namespace norvel
