#include "db/write_check.h"

namespace norvel {
namespace {

#ifdef _WIN32
constexpr const char* kPathSeparators = "/\\";
#else
constexpr const char* kPathSeparators = "/";
#endif

std::string folderOf(std::string_view path) {
  const std::size_t slash = path.find_last_of(kPathSeparators);
  if (slash == std::string_view::npos) return ".";
  if (slash == 0) return std::string(path.substr(0, 1));
  return std::string(path.substr(0, slash));
}

}  // namespace

std::string writeWarningOf(DatabaseConnection& connection, std::string_view database_file,
                           const FileSystem& files, Language language, CheckName check) {
  const WriteBarrier barrier = connection.writeBarrier();
  const bool folder_writable =
      database_file.empty() || files.canWriteInDirectory(folderOf(database_file));
  return writeWarning(barrier, folder_writable, language, check);
}

}  // namespace norvel
