// Failures carry SQLite's text and say what kind of failure they are, with the extended result
// code, on real files that another connection locks or that may not be written.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include "platform/sqlite/sqlite_connection.h"
#include "support/database_error.h"
#include "support/sqlite_fixture.h"
#include "support/temp_dir.h"

namespace norvel {
namespace {

using namespace std::chrono_literals;
using Category = DatabaseErrorCategory;

class SqliteError : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::SqliteFile(file_).exec(
        "CREATE TABLE 住所(郵便番号 text CHECK (length(郵便番号) <= 8), 番号 integer UNIQUE);"
        "INSERT INTO 住所 VALUES ('100-0001', 1), ('100-0002', 2)");
  }

  testing::TempDir dir_;
  std::string file_ = dir_.file("住所.sqlite");
};

TEST_F(SqliteError, SaysWhatKindOfFailureItIs) {
  struct Case {
    const char* sql;
    Category category;
    int code;
    const char* text;
  };
  const Case cases[] = {
      {"UPDATE 住所 SET 無い = 1", Category::syntax, SQLITE_ERROR, "no such column: 無い"},
      {"UPDATE 無い SET a = 1", Category::syntax, SQLITE_ERROR, "no such table: 無い"},
      {"UPDAT 住所", Category::syntax, SQLITE_ERROR, "near \"UPDAT\": syntax error"},
      {"UPDATE 住所 SET 郵便番号 = '100-00001'", Category::constraint, SQLITE_CONSTRAINT_CHECK,
       "CHECK constraint failed: length(郵便番号) <= 8"},
      {"UPDATE 住所 SET 番号 = 1", Category::constraint, SQLITE_CONSTRAINT_UNIQUE,
       "UNIQUE constraint failed: 住所.番号"},
  };
  auto connection = openSqlite(file_);
  for (const Case& c : cases) {
    const DatabaseError error = testing::databaseErrorOf([&] { connection->execute(c.sql); });
    EXPECT_EQ(error.category(), c.category) << c.sql;
    EXPECT_EQ(error.nativeCode(), c.code) << c.sql;
    EXPECT_STREQ(error.what(), c.text) << c.sql;
    EXPECT_EQ(error.sqlState(), "") << c.sql;
  }
}

TEST_F(SqliteError, LockedByAnotherConnectionIsBusy) {
  testing::SqliteFile other(file_);
  other.exec("BEGIN IMMEDIATE");
  auto connection = openSqlite(file_, 50ms);
  const DatabaseError error = testing::databaseErrorOf([&] { connection->beginTransaction(); });
  EXPECT_EQ(error.category(), Category::busy);
  EXPECT_EQ(error.nativeCode(), SQLITE_BUSY);
  EXPECT_STREQ(error.what(), "database is locked");
  other.exec("ROLLBACK");
  connection->beginTransaction();  // the lock is gone: nothing is left over from the failure
  connection->rollbackTransaction();
}

TEST_F(SqliteError, ReadOnlyFileIsReadOnly) {
  ASSERT_EQ(::chmod(file_.c_str(), 0444), 0);
  auto connection = openSqlite(file_);
  const DatabaseError error =
      testing::databaseErrorOf([&] { connection->execute("UPDATE 住所 SET 番号 = 3"); });
  EXPECT_EQ(error.category(), Category::readOnly);
  EXPECT_EQ(error.nativeCode(), SQLITE_READONLY);
  EXPECT_STREQ(error.what(), "attempt to write a readonly database");
  EXPECT_EQ(testing::SqliteFile(file_).scalar("SELECT group_concat(番号) FROM 住所"), "1,2");
}

TEST_F(SqliteError, FileThatIsNotThereCannotBeConnectedTo) {
  const DatabaseError error =
      testing::databaseErrorOf([&] { openSqlite(dir_.file("無い.sqlite")); });
  EXPECT_EQ(error.category(), Category::connection);
  EXPECT_EQ(error.nativeCode(), SQLITE_CANTOPEN);
}

}  // namespace
}  // namespace norvel
