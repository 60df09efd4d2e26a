#include "platform/odbc/odbc_sql.h"

#include <array>

#include "platform/odbc/odbc_connection.h"
#include "platform/odbc/odbc_diagnostic.h"
#include "platform/odbc/odbc_environment.h"
#include "platform/odbc/odbc_wide.h"

namespace norvel {

std::vector<std::string> installedOdbcDrivers() {
  const odbc::EnvHandle handle = odbc::allocateEnvironment();
  SQLHANDLE env = handle.get();

  std::vector<std::string> drivers;
  std::array<SQLWCHAR, 512> name{};
  std::array<SQLWCHAR, 2048> attributes{};
  SQLUSMALLINT direction = SQL_FETCH_FIRST;
  for (;;) {
    SQLSMALLINT name_length = 0;
    SQLSMALLINT attributes_length = 0;
    const SQLRETURN rc = SQLDriversW(
        env, direction, name.data(), static_cast<SQLSMALLINT>(name.size()), &name_length,
        attributes.data(), static_cast<SQLSMALLINT>(attributes.size()), &attributes_length);
    if (rc == SQL_NO_DATA) break;
    odbc::check(rc, SQL_HANDLE_ENV, env, "SQLDrivers");
    drivers.push_back(odbc::fromWide(
        name.data(),
        std::min<std::size_t>(static_cast<std::size_t>(name_length), name.size() - 1)));
    direction = SQL_FETCH_NEXT;
  }
  return drivers;
}

}  // namespace norvel
