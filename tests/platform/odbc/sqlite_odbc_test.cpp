// ODBC without a server: the driver manager's own failures, and Debian's SQLite3 ODBC driver, an
// ANSI-only driver that unixODBC reaches through the process locale, with Japanese names.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/odbc/odbc_connection.h"
#include "support/sqlite_fixture.h"
#include "support/temp_dir.h"

namespace norvel {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::ThrowsMessage;

TEST(OdbcDriverManager, DriversAndConnectFailuresCarryTheDriverManagersText) {
  EXPECT_THAT(installedOdbcDrivers(), ::testing::IsSupersetOf({"PostgreSQL Unicode", "SQLite3"}));
  const std::pair<const char*, const char*> cases[] = {
      {"Driver={存在しないドライバ};",
       "[unixODBC][Driver Manager]Can't open lib '存在しないドライバ' : file not found"},
      {"DSN=norvel_no_such_dsn;",
       "[unixODBC][Driver Manager]Data source name not found and no default driver specified"},
      // Nothing listens on port 1 of the loopback address: psqlODBC passes libpq's text on.
      {"Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=1;", "Connection refused"},
  };
  for (const auto& [text, error] : cases) {
    EXPECT_THAT([&] { openOdbc(text); }, ThrowsMessage<DatabaseError>(HasSubstr(error))) << text;
  }
}

class SqliteOdbc : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::SqliteFile(path_).exec(
        "CREATE TABLE 住所 (郵便番号 TEXT, 短縮 CHAR(8), 符号無 INTEGER UNSIGNED, 数値 NUMERIC,"
        " 塊 BLOB, 番号 INTEGER); CREATE VIEW 大阪 AS SELECT 郵便番号 FROM 住所 WHERE 番号 = 5;"
        "CREATE TABLE a_b (p TEXT); CREATE TABLE axb (q TEXT);"
        "INSERT INTO 住所 (郵便番号, 番号) VALUES ('100-0001', 1), ('100-0001', 1), (NULL, 5);");
  }

  std::unique_ptr<DatabaseConnection> open() {
    return openOdbc("Driver={SQLite3};Database=" + path_ + ";Timeout=50;");
  }

  // The codes in row order, read by SQLite itself.
  std::string codes() {
    return testing::SqliteFile(path_).scalar(
        "SELECT group_concat(ifnull(郵便番号, 'NULL')) FROM (SELECT * FROM 住所 ORDER BY rowid)");
  }

  testing::TempDir dir_;
  const std::string path_ = dir_.file("住所録.sqlite");
};

TEST_F(SqliteOdbc, ReportsTheDriversTypesAndTheCatalog) {
  // The driver reports TEXT as SQL_LONGVARCHAR, CHAR(n) as SQL_VARCHAR, NUMERIC as SQL_DOUBLE.
  const std::pair<const char*, int> cases[] = {
      {"郵便番号", ado::adLongVarChar}, {"短縮", ado::adVarChar}, {"符号無", ado::adUnsignedInt},
      {"数値", ado::adDouble},          {"塊", ado::adBinary},    {"番号", ado::adInteger},
  };
  auto connection = open();
  for (const auto& [column, code] : cases) {
    const QueryInfo info =
        connection->query(std::string("SELECT ") + column + "\r FROM 住所\r WHERE 1=0\r");
    EXPECT_EQ(info.first_column_type, code) << column;
    EXPECT_TRUE(info.eof) << column;
  }
  EXPECT_FALSE(connection->query("SELECT 郵便番号 FROM 大阪").eof);
  EXPECT_THAT(connection->tableNames(), ElementsAre("住所", "大阪", "a_b", "axb"));
  EXPECT_THAT(connection->columnNames("住所"),
              ElementsAre("郵便番号", "短縮", "符号無", "数値", "塊", "番号"));
  EXPECT_THAT(connection->columnNames("a_b"), ElementsAre("p"));  // "_" is no wildcard
}

TEST_F(SqliteOdbc, CountsAndTransactionsAsTheFileShowsThem) {
  auto connection = open();
  const std::string update = "UPDATE 住所\r SET 郵便番号 = '100-0002' WHERE 郵便番号 = '100-0001'";
  connection->beginTransaction();
  EXPECT_EQ(connection->execute(update), 2);
  EXPECT_EQ(codes(), "100-0001,100-0001,NULL");  // not before the commit
  connection->commitTransaction();
  EXPECT_EQ(connection->execute(update), 0);
  connection->beginTransaction();
  EXPECT_EQ(connection->execute("UPDATE 住所\r SET 郵便番号 = '東京都' WHERE 郵便番号 IS NULL "),
            1);
  connection->rollbackTransaction();
  EXPECT_EQ(codes(), "100-0002,100-0002,NULL");
  // Autocommit is back on; the text is stored as UTF-8, whatever the locale conversion made.
  EXPECT_EQ(connection->execute("UPDATE 住所 SET 郵便番号 = '東京都' WHERE 番号 = 5"), 1);
  EXPECT_EQ(codes(), "100-0002,100-0002,東京都");
}

TEST_F(SqliteOdbc, LockedDatabaseFailsWithTheDriversText) {
  auto connection = open();
  testing::SqliteFile other(path_);
  other.exec("BEGIN EXCLUSIVE");
  const std::string update = "UPDATE 住所 SET 郵便番号 = '1' WHERE 郵便番号 = '100-0001'";
  EXPECT_THAT([&] { connection->execute(update); },
              ThrowsMessage<DatabaseError>(HasSubstr("database is locked")));
  other.exec("ROLLBACK");
  EXPECT_EQ(connection->execute(update), 2);
}

}  // namespace
}  // namespace norvel
