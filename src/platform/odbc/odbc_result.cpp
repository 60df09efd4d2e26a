#include "platform/odbc/odbc_result.h"

#include "platform/odbc/odbc_sql.h"

#include <algorithm>
#include <array>

#include "platform/odbc/odbc_diagnostic.h"
#include "platform/odbc/odbc_wide.h"

namespace norvel::odbc {

bool fetchRow(SQLHSTMT stmt) {
  const SQLRETURN rc = SQLFetch(stmt);
  if (rc == SQL_NO_DATA) return false;
  check(rc, SQL_HANDLE_STMT, stmt, "SQLFetch");
  return true;
}

std::optional<std::string> columnText(SQLHSTMT stmt, SQLUSMALLINT column) {
  // Long values arrive in pieces: each truncated call fills the buffer but for its terminator.
  std::array<SQLWCHAR, 256> buffer{};
  std::u16string text;
  for (;;) {
    SQLLEN indicator = 0;
    const SQLRETURN rc =
        SQLGetData(stmt, column, SQL_C_WCHAR, buffer.data(), sizeof buffer, &indicator);
    if (rc == SQL_NO_DATA) break;
    check(rc, SQL_HANDLE_STMT, stmt, "SQLGetData");
    if (indicator == SQL_NULL_DATA) return std::nullopt;
    const std::size_t capacity = buffer.size() - 1;
    std::size_t units = capacity;
    if (indicator != SQL_NO_TOTAL) {
      units = std::min(capacity, static_cast<std::size_t>(indicator) / sizeof(SQLWCHAR));
    }
    text.append(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(units));
    if (rc == SQL_SUCCESS) break;
  }
  return utf16ToUtf8(text);
}

std::string infoText(SQLHDBC dbc, SQLUSMALLINT info_type) {
  std::array<SQLWCHAR, 256> buffer{};
  SQLSMALLINT length = 0;
  const SQLRETURN rc = SQLGetInfoW(dbc, info_type, buffer.data(), sizeof buffer, &length);
  if (!succeeded(rc)) return {};
  const std::size_t units =
      std::min(buffer.size() - 1, static_cast<std::size_t>(length) / sizeof(SQLWCHAR));
  return fromWide(buffer.data(), units);
}

}  // namespace norvel::odbc
