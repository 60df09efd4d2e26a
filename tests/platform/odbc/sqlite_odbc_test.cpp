// The ODBC layer through Debian's SQLite3 ODBC driver, an ANSI-only driver that unixODBC reaches
// through the process locale.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <functional>
#include <memory>
#include <optional>

#include "platform/odbc/odbc_connection.h"
#include "temp_dir.h"

namespace norvel {
namespace {

using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;

// Direct access to the file, to arrange data and to check what the driver wrote.
class SqliteFile {
 public:
  explicit SqliteFile(const std::string& path) {
    if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) {
      throw std::runtime_error(sqlite3_errmsg(db_));
    }
  }
  SqliteFile(const SqliteFile&) = delete;
  SqliteFile& operator=(const SqliteFile&) = delete;
  ~SqliteFile() { sqlite3_close(db_); }

  // Returns SQLite's error text, empty on success.
  std::string exec(const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) == SQLITE_OK) return {};
    std::string text = error != nullptr ? error : "error";
    sqlite3_free(error);
    return text;
  }

  std::vector<std::string> column(const std::string& sql) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
      throw std::runtime_error(sqlite3_errmsg(db_));
    }
    std::vector<std::string> values;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
      values.emplace_back(text != nullptr ? text : "<NULL>");
    }
    sqlite3_finalize(stmt);
    return values;
  }

 private:
  sqlite3* db_ = nullptr;
};

class SqliteOdbc : public testing::Test {
 protected:
  void SetUp() override {
    SqliteFile file(path_);
    ASSERT_EQ(file.exec("CREATE TABLE 住所 (郵便番号 TEXT, 短縮 VARCHAR(8), 固定 CHAR(8),"
                        " 番号 INTEGER, 大番号 BIGINT, 数値 NUMERIC(10,0), 実数 REAL,"
                        " 符号無 INTEGER UNSIGNED, 塊 BLOB);"
                        "INSERT INTO 住所 (郵便番号, 番号) VALUES ('100-0001', 1000001),"
                        " ('100-0001', 1000001), ('530-0001', 5300001), (NULL, NULL);"
                        "CREATE VIEW 大阪 AS SELECT 郵便番号 FROM 住所 WHERE 番号 > 5000000;"
                        "CREATE TABLE a_b (p TEXT);"
                        "CREATE TABLE axb (q TEXT);"
                        "CREATE TABLE 空 (郵便番号 TEXT);"),
              "");
  }

  std::unique_ptr<DatabaseConnection> open(const std::string& options = "") {
    return openOdbc("Driver={SQLite3};Database=" + path_ + ";" + options);
  }

  std::vector<std::string> codes() {
    return SqliteFile(path_).column("SELECT ifnull(郵便番号, 'NULL') FROM 住所 ORDER BY rowid");
  }

  test::TempDir dir_;
  // A Japanese file name goes through the locale conversion as well.
  const std::string path_ = (dir_.path() / "住所録.sqlite").string();
};

TEST_F(SqliteOdbc, ReportsTheDeclaredTypesAsAdoCodes) {
  struct Case {
    const char* column;
    int code;
  };
  // The driver reports TEXT as SQL_LONGVARCHAR and CHAR(n) as SQL_VARCHAR; NUMERIC and REAL
  // as SQL_DOUBLE.
  const Case cases[] = {
      {"郵便番号", ado::adLongVarChar}, {"短縮", ado::adVarChar},       {"固定", ado::adVarChar},
      {"番号", ado::adInteger},         {"大番号", ado::adBigInt},      {"数値", ado::adDouble},
      {"実数", ado::adDouble},          {"符号無", ado::adUnsignedInt}, {"塊", ado::adBinary},
  };
  auto connection = open();
  for (const Case& c : cases) {
    const QueryInfo info =
        connection->query(std::string("SELECT ") + c.column + "\r FROM 住所\r WHERE 1=0\r");
    EXPECT_EQ(info.first_column_type, c.code) << c.column;
    EXPECT_TRUE(info.eof) << c.column;
  }
}

TEST_F(SqliteOdbc, QueryTellsWhetherThereIsARow) {
  auto connection = open();
  EXPECT_FALSE(connection->query("SELECT 郵便番号 FROM 住所").eof);
  EXPECT_TRUE(connection->query("SELECT 郵便番号 FROM 空").eof);
  EXPECT_EQ(connection->query("SELECT 郵便番号 FROM 大阪").first_column_type, ado::adLongVarChar);
}

TEST_F(SqliteOdbc, ListsTablesAndViewsWithJapaneseNames) {
  auto connection = open();
  EXPECT_THAT(connection->tableNames(), ElementsAre("住所", "大阪", "a_b", "axb", "空"));
}

TEST_F(SqliteOdbc, ListsColumnsInTheirOrder) {
  auto connection = open();
  EXPECT_THAT(
      connection->columnNames("住所"),
      ElementsAre("郵便番号", "短縮", "固定", "番号", "大番号", "数値", "実数", "符号無", "塊"));
  EXPECT_THAT(connection->columnNames("大阪"), ElementsAre("郵便番号"));
  // "_" is no wildcard: axb's column stays out.
  EXPECT_THAT(connection->columnNames("a_b"), ElementsAre("p"));
  EXPECT_THAT(connection->columnNames("A_B"), IsEmpty());
  EXPECT_THAT(connection->columnNames("存在しない"), IsEmpty());
  EXPECT_THAT(connection->columnNames(""), IsEmpty());
}

TEST_F(SqliteOdbc, ExecuteReturnsTheChangedRowCount) {
  auto connection = open();
  EXPECT_EQ(connection->execute("UPDATE 住所\r SET 郵便番号 = '100-0002' WHERE 郵便番号 = "
                                "'100-0001'"),
            2);
  EXPECT_EQ(connection->execute("UPDATE 住所\r SET 郵便番号 = '100-0002' WHERE 郵便番号 = "
                                "'100-0001'"),
            0);
  EXPECT_EQ(connection->execute("UPDATE 住所\r SET 郵便番号 = '東京都千代田区' WHERE 郵便番号 IS "
                                "NULL "),
            1);
  EXPECT_EQ(connection->execute("UPDATE 住所\r SET 番号 = 5300002 WHERE 番号 = 5300001"), 1);
  EXPECT_EQ(connection->execute("CREATE TABLE 新 (a TEXT)"), 0);
  connection.reset();
  // Stored as UTF-8, not as whatever the locale conversion could have made of it.
  EXPECT_THAT(codes(), ElementsAre("100-0002", "100-0002", "530-0001", "東京都千代田区"));
}

TEST_F(SqliteOdbc, CommitKeepsAndRollbackUndoes) {
  auto connection = open();
  connection->beginTransaction();
  EXPECT_EQ(
      connection->execute("UPDATE 住所 SET 郵便番号 = '100-0002' WHERE 郵便番号 = '100-0001'"), 2);
  // Another reader still sees the old rows until the commit.
  EXPECT_THAT(codes(), ElementsAre("100-0001", "100-0001", "530-0001", "NULL"));
  connection->commitTransaction();
  EXPECT_THAT(codes(), ElementsAre("100-0002", "100-0002", "530-0001", "NULL"));

  connection->beginTransaction();
  EXPECT_EQ(
      connection->execute("UPDATE 住所 SET 郵便番号 = '530-0002' WHERE 郵便番号 = '530-0001'"), 1);
  connection->rollbackTransaction();
  EXPECT_THAT(codes(), ElementsAre("100-0002", "100-0002", "530-0001", "NULL"));

  // Autocommit is back on: a statement outside a transaction lands at once.
  EXPECT_EQ(
      connection->execute("UPDATE 住所 SET 郵便番号 = '530-0003' WHERE 郵便番号 = '530-0001'"), 1);
  EXPECT_THAT(codes(), ElementsAre("100-0002", "100-0002", "530-0003", "NULL"));
}

TEST_F(SqliteOdbc, DestroyingAnOpenTransactionRollsBackAndReleasesTheFile) {
  {
    auto connection = open();
    connection->beginTransaction();
    EXPECT_EQ(connection->execute("DELETE FROM 住所"), 4);
  }
  EXPECT_THAT(codes(), ElementsAre("100-0001", "100-0001", "530-0001", "NULL"));
  EXPECT_EQ(SqliteFile(path_).exec("DELETE FROM 空"), "");  // no lock left behind
}

TEST_F(SqliteOdbc, TransactionMisuseIsReported) {
  auto connection = open();
  EXPECT_THROW(connection->commitTransaction(), DatabaseError);
  EXPECT_THROW(connection->rollbackTransaction(), DatabaseError);
  connection->beginTransaction();
  EXPECT_THROW(connection->beginTransaction(), DatabaseError);
  connection->rollbackTransaction();
}

TEST_F(SqliteOdbc, ErrorsCarryTheDriversText) {
  auto connection = open();
  try {
    connection->query("SELECT 郵便番号\r FROM 存在しない\r WHERE 1=0\r");
    FAIL() << "no error";
  } catch (const DatabaseError& e) {
    EXPECT_THAT(e.what(), HasSubstr("no such table: 存在しない"));
  }
  try {
    connection->execute("UPDATE 住所\r SET 無い列 = '1' WHERE 無い列 = '2'");
    FAIL() << "no error";
  } catch (const DatabaseError& e) {
    EXPECT_THAT(e.what(), HasSubstr("no such column: 無い列"));
  }
  // The connection stays usable after a failed statement.
  EXPECT_FALSE(connection->query("SELECT 郵便番号 FROM 住所").eof);
}

TEST_F(SqliteOdbc, LockedDatabaseFailsWithTheDriversText) {
  SqliteFile other(path_);
  ASSERT_EQ(other.exec("BEGIN EXCLUSIVE"), "");
  auto connection = open("Timeout=50;");
  try {
    connection->execute("UPDATE 住所 SET 郵便番号 = '1' WHERE 郵便番号 = '100-0001'");
    FAIL() << "no error";
  } catch (const DatabaseError& e) {
    EXPECT_THAT(e.what(), HasSubstr("database is locked"));
  }
  ASSERT_EQ(other.exec("ROLLBACK"), "");
  EXPECT_EQ(connection->execute("UPDATE 住所 SET 郵便番号 = '1' WHERE 郵便番号 = '100-0001'"), 2);
}

TEST_F(SqliteOdbc, ClosedConnectionRefusesWork) {
  auto connection = open();
  connection->close();
  connection->close();  // closing twice is harmless
  for (const auto& operation : std::initializer_list<std::function<void()>>{
           [&] { connection->execute("DELETE FROM 住所"); },
           [&] { connection->query("SELECT 1"); },
           [&] { connection->beginTransaction(); },
           [&] { connection->tableNames(); },
           [&] { connection->columnNames("住所"); },
       }) {
    EXPECT_THROW(operation(), DatabaseError);
  }
  EXPECT_THAT(codes(), ElementsAre("100-0001", "100-0001", "530-0001", "NULL"));
}

}  // namespace
}  // namespace norvel
