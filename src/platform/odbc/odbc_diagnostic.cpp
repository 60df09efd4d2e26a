#include "platform/odbc/odbc_diagnostic.h"

#include "platform/odbc/odbc_sql.h"

#include <algorithm>
#include <vector>

#include "platform/odbc/odbc_wide.h"

namespace norvel::odbc {

Diagnostic firstDiagnostic(SQLSMALLINT handle_type, SQLHANDLE handle, const char* call,
                           SQLRETURN rc) {
  if (rc == SQL_INVALID_HANDLE)
    return {std::string(call) + " was given an invalid handle.", {}, {}};
  if (handle != SQL_NULL_HANDLE) {
    std::vector<SQLWCHAR> message(1024);
    for (int attempt = 0; attempt < 2; ++attempt) {
      SQLWCHAR state[6] = {};
      SQLINTEGER native_error = 0;
      SQLSMALLINT length = 0;
      const SQLRETURN diag_rc =
          SQLGetDiagRecW(handle_type, handle, 1, state, &native_error, message.data(),
                         static_cast<SQLSMALLINT>(message.size()), &length);
      if (!succeeded(diag_rc)) break;
      if (static_cast<std::size_t>(length) >= message.size() && attempt == 0) {
        message.resize(static_cast<std::size_t>(length) + 1);
        continue;
      }
      std::string text =
          fromWide(message.data(), std::min<std::size_t>(length, message.size() - 1));
      // libpq ends its messages with a line feed; the caller appends its own line ends.
      while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
      if (!text.empty()) {
        std::string sql_state =
            fromWide(state, static_cast<std::size_t>(std::find(state, state + 5, 0) - state));
        // Drivers fill "00000" when they have no state to give.
        if (sql_state == "00000") sql_state.clear();
        return {std::move(text), std::move(sql_state), native_error};
      }
      break;
    }
  }
  return {std::string(call) + " failed and the ODBC driver gave no description.", {}, {}};
}

DatabaseErrorCategory categoryOf(std::string_view sql_state) {
  using Category = DatabaseErrorCategory;
  if (sql_state.size() != 5) return Category::other;
  const std::string_view type = sql_state.substr(0, 2);
  // Exact codes first: some belong to another category than their class.
  if (sql_state == "08S01" || sql_state == "08003" || sql_state == "08007" ||
      sql_state == "57P01" || sql_state == "57P02") {
    return Category::connectionLost;  // link failure, not open any more, server shut down
  }
  if (sql_state == "25006") return Category::readOnly;    // read-only SQL transaction
  if (sql_state == "42501") return Category::permission;  // insufficient privilege
  if (sql_state == "53100") return Category::diskFull;    // PostgreSQL's disk_full
  if (sql_state == "40001" || sql_state == "40P01" || sql_state == "55P03" ||
      sql_state == "HYT00" || sql_state == "HYT01" || sql_state == "S1T00") {
    return Category::busy;  // serialization failure, deadlock, lock timeout
  }
  if (sql_state == "HY008" || sql_state == "S1008" || sql_state == "57014") {
    return Category::interrupted;
  }
  if (type == "08" || type == "28" || type == "IM") return Category::connection;
  if (type == "23") return Category::constraint;
  // 37000 and S0xxx are ODBC 2's syntax error and unknown table, column and index.
  if (type == "42" || type == "3F" || sql_state == "37000" || type == "S0") {
    return Category::syntax;
  }
  return Category::other;
}

void check(SQLRETURN rc, SQLSMALLINT handle_type, SQLHANDLE handle, const char* call) {
  if (succeeded(rc)) return;
  Diagnostic diagnostic = firstDiagnostic(handle_type, handle, call, rc);
  const DatabaseErrorCategory category = categoryOf(diagnostic.sql_state);
  throw DatabaseError(diagnostic.text, category, std::move(diagnostic.sql_state),
                      diagnostic.native_code);
}

}  // namespace norvel::odbc
