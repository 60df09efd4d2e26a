#include "platform/odbc/odbc_diagnostic.h"

#include <sqlext.h>
#include <sqlucode.h>

#include <algorithm>
#include <vector>

#include "platform/database.h"
#include "platform/odbc/odbc_wide.h"

namespace norvel::odbc {

std::string firstDiagnostic(SQLSMALLINT handle_type, SQLHANDLE handle, const char* call,
                            SQLRETURN rc) {
  if (rc == SQL_INVALID_HANDLE) return std::string(call) + " was given an invalid handle.";
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
      if (!text.empty()) return text;
      break;
    }
  }
  return std::string(call) + " failed and the ODBC driver gave no description.";
}

void check(SQLRETURN rc, SQLSMALLINT handle_type, SQLHANDLE handle, const char* call) {
  if (!succeeded(rc)) throw DatabaseError(firstDiagnostic(handle_type, handle, call, rc));
}

}  // namespace norvel::odbc
