#pragma once

#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace norvel {

// Files through the wide Win32 calls, so that UTF-8 names outside the ANSI code page (Japanese
// names on a Western Windows) open as they are; every FileError reads "<path>: <system text>".
class Win32FileSystem : public FileSystem {
 public:
  bool canOpenForReading(const std::string& path) const override;
  std::string readFile(const std::string& path) const override;
  // The path is the final one, links resolved, without the "\\?\" prefix.
  IdentifiedFile readIdentifiedFile(const std::string& path) const override;
  // The volume serial number, the file index, the size, the last write time, the attributes.
  FileIdentity identityOf(const std::string& path) const override;
  // Refuses a file with the read-only attribute; the ACLs decide the rest when it is replaced.
  void checkCanReplace(const std::string& path) const override;
  void removeFile(const std::string& path) override;
  void createDirectories(const std::string& path) override;
  // Answered by creating (and at once deleting) a file there: access rights on Windows come
  // from ACLs that no mode bit shows.
  bool canWriteInDirectory(const std::string& directory) const override;

  // Writes "<name>.norvel-<pid>-<n>" beside the target, flushes it and puts it in the target's
  // place with ReplaceFileW (which keeps the old file's attributes and security) or, for a new
  // file, MoveFileExW. On any failure the temporary file is removed and the old file stays; a
  // folder at the path is refused.
  void replaceFile(const std::string& path, std::string_view bytes) override;
};

}  // namespace norvel
