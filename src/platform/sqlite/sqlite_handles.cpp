#include "platform/sqlite/sqlite_handles.h"

#include <climits>

namespace norvel::sqlite {

DatabaseErrorCategory categoryOf(int result_code) {
  using Category = DatabaseErrorCategory;
  switch (result_code & 0xFF) {
    case SQLITE_ERROR:  // SQLite's code for bad SQL and unknown names
      return Category::syntax;
    case SQLITE_CONSTRAINT:
      return Category::constraint;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return Category::busy;
    case SQLITE_READONLY:
      return Category::readOnly;
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return Category::permission;
    case SQLITE_FULL:
      return Category::diskFull;
    case SQLITE_INTERRUPT:
      return Category::interrupted;
    case SQLITE_CANTOPEN:
    case SQLITE_NOTADB:
      return Category::connection;
    default:
      return Category::other;
  }
}

void throwLastError(sqlite3* db) {
  const int code = sqlite3_extended_errcode(db);
  throw DatabaseError(sqlite3_errmsg(db), categoryOf(code), {}, code);
}

Statement prepare(sqlite3* db, std::string_view sql, std::string_view* rest) {
  if (sql.size() > static_cast<std::size_t>(INT_MAX)) {
    throw DatabaseError("string or blob too big", DatabaseErrorCategory::other, {}, SQLITE_TOOBIG);
  }
  sqlite3_stmt* raw = nullptr;
  const char* tail = nullptr;
  const int rc = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &raw, &tail);
  Statement statement(raw);
  if (rc != SQLITE_OK) throwLastError(db);
  if (rest != nullptr) {
    *rest = tail != nullptr ? sql.substr(static_cast<std::size_t>(tail - sql.data()))
                            : std::string_view{};
  }
  return statement;
}

bool step(sqlite3* db, sqlite3_stmt* statement) {
  switch (sqlite3_step(statement)) {
    case SQLITE_ROW:
      return true;
    case SQLITE_DONE:
      return false;
    default:
      throwLastError(db);
  }
}

std::string quoteIdentifier(std::string_view name) {
  std::string quoted = "\"";
  for (const char c : name) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

}  // namespace norvel::sqlite
