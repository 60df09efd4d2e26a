#pragma once

#include <sqlite3.h>

#include <memory>
#include <string>
#include <string_view>

#include "platform/database.h"

namespace norvel::sqlite {

struct DatabaseCloser {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using DatabaseHandle = std::unique_ptr<sqlite3, DatabaseCloser>;

struct StatementFinalizer {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

// What a result code (primary or extended) says about the failure.
DatabaseErrorCategory categoryOf(int result_code);

// Throws DatabaseError with the connection's last error text, its category and the extended
// result code as the native code.
[[noreturn]] void throwLastError(sqlite3* db);

// Prepares the first statement of sql. Returns null when the text holds only blanks or
// comments; *rest receives the text after the statement.
Statement prepare(sqlite3* db, std::string_view sql, std::string_view* rest = nullptr);

// Steps a prepared statement; true while it yields rows.
bool step(sqlite3* db, sqlite3_stmt* statement);

// Quotes an identifier for SQL text ("a""b").
std::string quoteIdentifier(std::string_view name);

}  // namespace norvel::sqlite
