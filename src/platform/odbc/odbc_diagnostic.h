#pragma once

#include <sql.h>

#include <string>

namespace norvel::odbc {

inline bool succeeded(SQLRETURN rc) {
  return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

// The message text of the handle's first diagnostic record. Only the first is read: unixODBC
// repeats or garbles later records for some drivers. Falls back to a sentence naming `call`
// when the driver left no record.
std::string firstDiagnostic(SQLSMALLINT handle_type, SQLHANDLE handle, const char* call,
                            SQLRETURN rc);

// Throws DatabaseError with the first diagnostic record unless `rc` reports success.
void check(SQLRETURN rc, SQLSMALLINT handle_type, SQLHANDLE handle, const char* call);

}  // namespace norvel::odbc
