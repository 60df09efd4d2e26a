#include "platform/sqlite/sqlite_handles.h"

#include <climits>

#include "platform/database.h"

namespace norvel::sqlite {

void throwLastError(sqlite3* db) {
  throw DatabaseError(sqlite3_errmsg(db));
}

Statement prepare(sqlite3* db, std::string_view sql, std::string_view* rest) {
  if (sql.size() > static_cast<std::size_t>(INT_MAX)) throw DatabaseError("string or blob too big");
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
