#pragma once

#include "platform/odbc/odbc_sql.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/database.h"

namespace norvel::odbc {

inline bool succeeded(SQLRETURN rc) {
  return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

// The handle's first diagnostic record. Only the first is read: unixODBC repeats or garbles
// later records for some drivers. The text falls back to a sentence naming `call` when the
// driver left no record.
struct Diagnostic {
  std::string text;
  std::string sql_state;  // five characters, or empty
  std::optional<std::int64_t> native_code;
};
Diagnostic firstDiagnostic(SQLSMALLINT handle_type, SQLHANDLE handle, const char* call,
                           SQLRETURN rc);

// What an SQLSTATE says about the failure (ODBC 3 and ODBC 2 codes, PostgreSQL's own).
DatabaseErrorCategory categoryOf(std::string_view sql_state);

// Throws DatabaseError with the first diagnostic record unless `rc` reports success.
void check(SQLRETURN rc, SQLSMALLINT handle_type, SQLHANDLE handle, const char* call);

}  // namespace norvel::odbc
