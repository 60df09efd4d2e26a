#include "platform/routing/database_file_kind.h"

#include <string_view>

#include "platform/database.h"
#include "platform/routing/file_head.h"

namespace norvel::routing {
namespace {

[[noreturn]] void throwUnreadable(const std::string& path, const std::string& error) {
  throw DatabaseError(DatabaseSituation::fileUnreadable, {.path = path}, error);
}

}  // namespace

DatabaseFileKind databaseFileKind(const std::string& path) {
  const FileHead file = readFileHead(path, 20);
  if (!file.error.empty()) throwUnreadable(path, file.error);
  if (file.type == FileHead::Type::kMissing) return DatabaseFileKind::kMissing;
  if (file.type == FileHead::Type::kDirectory) return DatabaseFileKind::kDirectory;
  // A device or a pipe is never a database, and reading it could block.
  if (file.type == FileHead::Type::kOther) return DatabaseFileKind::kOther;
  const std::string_view head(file.bytes);

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
