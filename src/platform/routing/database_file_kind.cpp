#include "platform/routing/database_file_kind.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>

#include "platform/database.h"
#include "platform/posix/file_descriptor.h"
#include "platform/posix/file_io.h"

namespace norvel::routing {
namespace {

[[noreturn]] void throwUnreadable(const std::string& path, int error) {
  throw DatabaseError("Cannot read " + path + ": " + std::strerror(error));
}

}  // namespace

DatabaseFileKind databaseFileKind(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return DatabaseFileKind::kMissing;
    throwUnreadable(path, errno);
  }
  if (S_ISDIR(status.st_mode)) return DatabaseFileKind::kDirectory;
  // A device or a pipe is never a database, and reading it could block.
  if (!S_ISREG(status.st_mode)) return DatabaseFileKind::kOther;

  const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!file) throwUnreadable(path, errno);
  std::string bytes;
  if (const int error = ReadAll(file.get(), bytes, 20); error != 0) throwUnreadable(path, error);
  const std::string_view head(bytes);

  using namespace std::string_view_literals;
  if (head.starts_with("SQLite format 3\0"sv)) return DatabaseFileKind::kSqlite;
  if (head.size() >= 19 && head.substr(4, 15) == "Standard Jet DB") return DatabaseFileKind::kJet;
  if (head.size() >= 19 && head.substr(4, 15) == "Standard ACE DB") return DatabaseFileKind::kAce;
  if (head.starts_with("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"sv)) {
    return DatabaseFileKind::kCompoundDocument;
  }
  if (head.starts_with("PK\x03\x04"sv)) return DatabaseFileKind::kZip;
  return DatabaseFileKind::kOther;
}

}  // namespace norvel::routing
