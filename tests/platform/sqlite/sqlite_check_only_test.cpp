// The check-only transaction (a dry run's) on files that may and may not be written, and the
// foreign keys the connection enforces.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/sqlite/sqlite_connection.h"
#include "support/database_error.h"
#include "support/sqlite_fixture.h"
#include "support/temp_dir.h"

namespace norvel {
namespace {

using namespace std::chrono_literals;
using ::testing::Property;
using ::testing::StrEq;
using ::testing::Throws;
using ::testing::ThrowsMessage;

class SqliteCheckOnly : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::SqliteFile(file_).exec(
        "CREATE TABLE 郵便 (番号 TEXT PRIMARY KEY);"
        "INSERT INTO 郵便 VALUES ('100-0001'), ('100-0002');"
        "CREATE TABLE 住所 (郵便番号 TEXT REFERENCES 郵便(番号) ON UPDATE CASCADE, 町域 TEXT);"
        "INSERT INTO 住所 VALUES ('100-0001', '千代田'), ('100-0001', '皇居外苑'),"
        " ('100-0002', '大手町');"
        "CREATE TABLE 顧客 (郵便番号 TEXT REFERENCES 郵便(番号));"
        "INSERT INTO 顧客 VALUES ('100-0002');");
  }

  // The codes of 住所 in row order, as the connection reads them.
  static std::string codes(DatabaseConnection& connection) {
    std::string text;
    for (const auto& row :
         connection.queryRows(SqlStatement("SELECT 郵便番号 FROM 住所 ORDER BY rowid"))) {
      text += (text.empty() ? "" : ",") + row[0].value_or("-");
    }
    return text;
  }
  std::vector<std::string> files() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
      const std::u8string name = entry.path().filename().u8string();
      names.emplace_back(name.begin(), name.end());
    }
    return names;
  }

  testing::TempDir dir_;
  std::string file_ = dir_.file("住所.db");
  std::string update_ = "UPDATE 郵便 SET 番号 = '100-0009' WHERE 番号 = '100-0001'";
};

TEST_F(SqliteCheckOnly, OnAFileThatMayOnlyBeReadItRunsOnAPrivateCopy) {
  ASSERT_EQ(::chmod(file_.c_str(), 0444), 0);
  const std::string bytes = testing::readBytes(file_);
  const auto files_before = files();
  const auto db = openSqlite(file_);
  for (int round = 0; round < 2; ++round) {
    db->beginCheckOnlyTransaction();
    // The copy has the file's schema, foreign keys and all, and takes temporary tables.
    EXPECT_EQ(db->execute(update_), 1);
    EXPECT_EQ(codes(*db), "100-0009,100-0009,100-0002");
    db->execute("CREATE TEMP TABLE norvel_pairs (old_code, new_code)");
    EXPECT_EQ(testing::SqliteFile(file_).scalar("SELECT group_concat(番号) FROM 郵便"),
              "100-0001,100-0002");
    if (round == 0) {
      db->rollbackTransaction();
    } else {
      EXPECT_THAT([&] { db->commitTransaction(); },
                  Throws<DatabaseError>(
                      Property(&DatabaseError::situation, DatabaseSituation::checkOnlyCommit)));
    }
    // The connection reads the file again.
    EXPECT_EQ(codes(*db), "100-0001,100-0001,100-0002");
  }
  // A real transaction is the file's, and SQLite refuses its changes.
  db->beginTransaction();
  EXPECT_THAT([&] { db->execute(update_); },
              ThrowsMessage<DatabaseError>(StrEq("attempt to write a readonly database")));
  db->rollbackTransaction();
  EXPECT_EQ(testing::readBytes(file_), bytes);
  EXPECT_EQ(files(), files_before);
}

TEST_F(SqliteCheckOnly, OnAWritableFileItIsTheFilesOwnTransaction) {
  const auto db = openSqlite(file_);
  db->beginCheckOnlyTransaction();
  EXPECT_EQ(db->execute(update_), 1);
  // It holds the write lock as a run's transaction does.
  testing::SqliteFile other(file_);
  EXPECT_THROW(other.exec("BEGIN IMMEDIATE"), std::runtime_error);
  db->rollbackTransaction();
  EXPECT_EQ(codes(*db), "100-0001,100-0001,100-0002");
}

TEST_F(SqliteCheckOnly, AFileLockedByAnotherWriterFailsTheCopyWithSqlitesText) {
  // The other writer opened the file before it lost its write bits, as a writer that keeps it
  // open would have; without root no one could open it for writing after.
  testing::SqliteFile other(file_);
  ASSERT_EQ(::chmod(file_.c_str(), 0444), 0);
  const auto db = openSqlite(file_, 50ms);
  other.exec("BEGIN EXCLUSIVE; DELETE FROM 顧客;");
  const DatabaseError error = testing::databaseErrorOf([&] { db->beginCheckOnlyTransaction(); });
  EXPECT_STREQ(error.what(), "database is locked");
  EXPECT_EQ(error.category(), DatabaseErrorCategory::busy);
  other.exec("ROLLBACK");
  db->beginCheckOnlyTransaction();
  db->rollbackTransaction();
}

// As database browsers do: a replaced key takes its rows along by ON UPDATE CASCADE, and a
// reference that would break fails the statement with SQLite's text; on a check's copy as well.
TEST_F(SqliteCheckOnly, ForeignKeysAreEnforced) {
  for (const bool read_only : {false, true}) {
    SCOPED_TRACE(read_only ? "a check on a read-only file" : "a writable file");
    ASSERT_EQ(::chmod(file_.c_str(), read_only ? 0444 : 0644), 0);
    const auto db = openSqlite(file_);
    db->beginCheckOnlyTransaction();
    EXPECT_EQ(db->execute(update_), 1);
    EXPECT_EQ(codes(*db), "100-0009,100-0009,100-0002");
    const DatabaseError error = testing::databaseErrorOf(
        [&] { db->execute("UPDATE 郵便 SET 番号 = '100-0008' WHERE 番号 = '100-0002'"); });
    EXPECT_STREQ(error.what(), "FOREIGN KEY constraint failed");
    EXPECT_EQ(error.category(), DatabaseErrorCategory::constraint);
    EXPECT_EQ(error.nativeCode(), SQLITE_CONSTRAINT_FOREIGNKEY);
    db->rollbackTransaction();
  }
  EXPECT_EQ(testing::SqliteFile(file_).scalar("SELECT group_concat(番号) FROM 郵便"),
            "100-0001,100-0002");
}

}  // namespace
}  // namespace norvel
