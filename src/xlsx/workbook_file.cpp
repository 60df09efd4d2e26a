#include "xlsx/workbook_file.h"

#include "platform/database.h"
#include "platform/native/native_platform.h"

namespace norvel::xlsx {
namespace {

// The caller names the workbook; the system's reason is what is left to say.
std::string reasonOf(const FileError& error, const std::string& path) {
  std::string reason = error.what();
  if (reason.rfind(path + ": ", 0) == 0) reason.erase(0, path.size() + 2);
  switch (error.cause()) {
    case FileError::Cause::kNotRegularFile:
      return "通常のファイルではありません";
    case FileError::Cause::kReadOnlyFile:
      return reason + "（ファイルは読み取り専用です）";
    case FileError::Cause::kOther:
      break;
  }
  return reason;
}

}  // namespace

FileSystem& nativeFileSystem() {
  static NativeFileSystem files;
  return files;
}

LoadedFile loadFile(const std::string& path, const FileSystem& files) {
  try {
    return files.readIdentifiedFile(path);
  } catch (const FileError& error) {
    throw DatabaseError(reasonOf(error, path));
  }
}

FileIdentity replaceFile(FileSystem& files, const std::string& path, const std::string& bytes,
                         const FileIdentity& expected) {
  try {
    if (!files.identityOf(path).sameFileAs(expected)) {
      throw DatabaseError("開いた後にほかのプログラムがファイルを変更しました");
    }
    files.checkCanReplace(path);
    files.replaceFile(path, bytes);
    return files.identityOf(path);
  } catch (const FileError& error) {
    throw DatabaseError(reasonOf(error, path));
  }
}

}  // namespace norvel::xlsx
