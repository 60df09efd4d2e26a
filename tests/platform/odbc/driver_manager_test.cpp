#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/odbc/odbc_connection.h"

namespace norvel {
namespace {

using testing::HasSubstr;

std::string openError(const std::string& connection_string) {
  try {
    openOdbc(connection_string);
  } catch (const DatabaseError& e) {
    return e.what();
  }
  ADD_FAILURE() << "opened: " << connection_string;
  return {};
}

TEST(OdbcDriverManager, ListsTheDriversDebianRegisters) {
  const std::vector<std::string> drivers = installedOdbcDrivers();
  for (const char* name : {"PostgreSQL Unicode", "SQLite3"}) {
    EXPECT_NE(std::find(drivers.begin(), drivers.end(), name), drivers.end()) << name;
  }
}

TEST(OdbcDriverManager, UnknownDriverFailsWithTheDriverManagersText) {
  EXPECT_EQ(openError("Driver={存在しないドライバ};Database=x;"),
            "[unixODBC][Driver Manager]Can't open lib '存在しないドライバ' : file not found");
}

TEST(OdbcDriverManager, UnknownDataSourceFailsWithTheDriverManagersText) {
  EXPECT_EQ(openError("DSN=norvel_no_such_dsn;"),
            "[unixODBC][Driver Manager]Data source name not found and no default driver specified");
  EXPECT_EQ(openError(""),
            "[unixODBC][Driver Manager]Data source name not found and no default driver specified");
}

TEST(OdbcDriverManager, RefusedServerConnectionFailsWithTheDriversText) {
  // Nothing listens on port 1 of the loopback address.
  const std::string text =
      openError("Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=1;Database=x;Uid=x;Pwd=x;");
  EXPECT_THAT(text, HasSubstr("port 1 failed"));
  EXPECT_THAT(text, HasSubstr("Connection refused"));
}

}  // namespace
}  // namespace norvel
