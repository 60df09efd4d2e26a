// Bad files and unavailable databases fail with SQLite's text and never lose or create data.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "platform/sqlite/sqlite_connection.h"
#include "sqlite_test_support.h"

namespace norvel {
namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;

std::string contents(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string openError(const std::string& path,
                      std::chrono::milliseconds busy_timeout = kSqliteBusyTimeout) {
  try {
    openSqlite(path, busy_timeout);
  } catch (const DatabaseError& error) {
    return error.what();
  }
  return "(opened)";
}

TEST(SqliteOpenTest, MissingFileFailsNamingThePathAndIsNotCreated) {
  const test::TempDir dir;
  const std::string file = dir.file("typo.db");
  const std::string error = openError(file);
  EXPECT_THAT(error, HasSubstr("unable to open database file"));
  EXPECT_THAT(error, HasSubstr(file));
  EXPECT_THAT(error, HasSubstr("No such file or directory"));
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

// Names SQLite would read as a URI or as an in-memory database are plain file names here:
// none of them opens an empty database or creates a file.
TEST(SqliteOpenTest, UriAndMemoryNamesAreFileNames) {
  const test::TempDir dir;
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  EXPECT_NE(openError(":memory:"), "(opened)");
  EXPECT_NE(openError("file:x.db?mode=rwc"), "(opened)");
  EXPECT_NE(openError(""), "(opened)");
  EXPECT_NE(openError(dir.path().string()), "(opened)");
  std::filesystem::current_path(previous);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(SqliteOpenTest, RelativePathOpensTheFileInTheCurrentDirectory) {
  const test::TempDir dir;
  test::createDatabase(dir.file("file:rel.db"), "CREATE TABLE t(a);");
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  std::vector<std::string> tables;
  EXPECT_NO_THROW(tables = openSqlite("file:rel.db")->tableNames());
  std::filesystem::current_path(previous);
  EXPECT_EQ(tables, std::vector<std::string>{"t"});
}

TEST(SqliteOpenTest, FileThatIsNoDatabaseFailsAtOpenAndStaysAsItWas) {
  const test::TempDir dir;
  const std::string file = dir.file("pairs.csv");
  const std::string text(2048, 'x');
  std::ofstream(file, std::ios::binary) << text;
  EXPECT_EQ(openError(file), "file is not a database");
  EXPECT_EQ(contents(file), text);
}

TEST(SqliteOpenTest, ReadOnlyFileCanBeBrowsedButWritesFailWithSqliteText) {
  const test::TempDir dir;
  const std::string file = dir.file("readonly.db");
  test::createDatabase(file,
                       "CREATE TABLE 住所(郵便番号 text); INSERT INTO 住所 VALUES ('100-0001');");
  ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
  ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
  {
    const test::WithoutRootPrivileges as_user;
    const auto db = openSqlite(file);
    EXPECT_EQ(db->tableNames(), std::vector<std::string>{"住所"});
    EXPECT_EQ(db->query("SELECT 郵便番号\r FROM 住所\r WHERE 1=0\r").first_column_type,
              ado::adVarWChar);
    db->beginTransaction();
    try {
      db->execute("UPDATE 住所\r SET 郵便番号 = '100-0002' WHERE 郵便番号 = '100-0001'");
      ADD_FAILURE() << "no error";
    } catch (const DatabaseError& error) {
      EXPECT_STREQ(error.what(), "attempt to write a readonly database");
    }
    EXPECT_NO_THROW(db->rollbackTransaction());
  }
  EXPECT_EQ(test::scalar(file, "SELECT 郵便番号 FROM 住所"), "100-0001");
}

class SqliteLockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::createDatabase(file_,
                         "CREATE TABLE 住所(郵便番号 text); INSERT INTO 住所 VALUES ('100-0001');");
  }

  test::TempDir dir_;
  std::string file_ = dir_.file("locked.db");
};

TEST_F(SqliteLockTest, WriteLockedByAnotherProgramFailsWithSqliteText) {
  test::OtherConnection other(file_);
  other.exec("BEGIN IMMEDIATE; INSERT INTO 住所 VALUES ('999-9999');");

  const auto db = openSqlite(file_, 50ms);
  EXPECT_EQ(db->tableNames(), std::vector<std::string>{"住所"}) << "reading is not blocked";
  db->beginTransaction();
  try {
    db->execute("UPDATE 住所\r SET 郵便番号 = '100-0002' WHERE 郵便番号 = '100-0001'");
    ADD_FAILURE() << "no error";
  } catch (const DatabaseError& error) {
    EXPECT_STREQ(error.what(), "database is locked");
  }
  db->rollbackTransaction();
  other.exec("ROLLBACK");
  EXPECT_EQ(test::scalar(file_, "SELECT group_concat(郵便番号) FROM 住所"), "100-0001");
}

TEST_F(SqliteLockTest, ExclusivelyLockedDatabaseFailsAtOpen) {
  test::OtherConnection other(file_);
  other.exec("BEGIN EXCLUSIVE;");
  EXPECT_EQ(openError(file_, 50ms), "database is locked");
  other.exec("ROLLBACK");
  EXPECT_NO_THROW(openSqlite(file_, 50ms));
}

TEST_F(SqliteLockTest, BrieflyLockedDatabaseIsWaitedFor) {
  test::OtherConnection other(file_);
  other.exec("BEGIN IMMEDIATE; INSERT INTO 住所 VALUES ('100-0001');");
  const auto db = openSqlite(file_);
  std::thread release([&other] {
    std::this_thread::sleep_for(200ms);
    other.exec("COMMIT");
  });
  std::int64_t changed = -1;
  EXPECT_NO_THROW(
      changed = db->execute("UPDATE 住所 SET 郵便番号 = '100-0002' WHERE 郵便番号 = '100-0001'"));
  release.join();
  EXPECT_EQ(changed, 2);
}

}  // namespace
}  // namespace norvel
