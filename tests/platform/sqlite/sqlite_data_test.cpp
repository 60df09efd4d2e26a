// UPDATE texts as a replacement run sends them (a lone CR between clauses), their counts, the
// one transaction around a run as another connection sees it, and files that cannot be used:
// each fails with SQLite's text and loses or creates nothing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <thread>

#include "platform/sqlite/sqlite_connection.h"
#include "support/sqlite_fixture.h"
#include "support/temp_dir.h"
#include "support/unprivileged.h"
#if defined(_WIN32)
#include "platform/win32/win32_text.h"
#endif

namespace norvel {
namespace {

using namespace std::chrono_literals;
using ::testing::AllOf;
using ::testing::Field;
using ::testing::HasSubstr;
using ::testing::Property;
using ::testing::StrEq;
using ::testing::Throws;
using ::testing::ThrowsMessage;

class SqliteData : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::SqliteFile(file_).exec(
        "CREATE TABLE 住所(郵便番号 text, 市区町村 text); INSERT INTO 住所 VALUES"
        " ('100-0001', '千代田区'), ('100-0001', '千代田区'), ('100-0002', '千代田区'),"
        " (NULL, '不明'); CREATE TABLE \"Sheet1$\"(F1 text, F2 text);"
        "INSERT INTO \"Sheet1$\" VALUES (NULL, 'a'), ('100-0001', 'b');");
  }

  // The codes in row order, as another connection reads them.
  std::string codes() {
    return testing::SqliteFile(file_).scalar(
        "SELECT group_concat(ifnull(郵便番号, '-')) FROM (SELECT * FROM 住所 ORDER BY rowid)");
  }

  testing::TempDir dir_;
  std::string file_ = dir_.file("住所.db");
  std::string update_ = "UPDATE 住所\r SET 郵便番号 = '100-0009' WHERE 郵便番号 = '100-0001'";
};

TEST_F(SqliteData, ExecuteCountsTheRowsTheStatementChanged) {
  const auto db = openSqlite(file_);
  EXPECT_EQ(db->execute("UPDATE 住所\r SET 郵便番号 = '1' WHERE 郵便番号 = '999-9999'"), 0);
  EXPECT_EQ(db->execute(update_), 2);
  // A statement that is no INSERT, UPDATE or DELETE must not repeat the count before it.
  EXPECT_EQ(db->execute("CREATE TABLE other(x)"), 0);
  EXPECT_EQ(db->execute("SELECT * FROM 住所"), 0);
  EXPECT_EQ(db->execute("UPDATE 住所\r SET 郵便番号 = '100-0003' WHERE 郵便番号 IS NULL "), 1);
  EXPECT_EQ(db->execute("UPDATE 住所\r SET 郵便番号 = NULL WHERE 郵便番号 = '100-0002'"), 1);
  EXPECT_EQ(db->execute("UPDATE [Sheet1$]\r SET [F1] = '100-0002' WHERE [F1] IS NULL "), 1);
  EXPECT_THAT([&] { db->execute("UPDATE 住所\r SET 郵便番号 = '1' WHERE WHERE"); },
              ThrowsMessage<DatabaseError>(HasSubstr("syntax error")));
  EXPECT_EQ(codes(), "100-0009,100-0009,-,100-0003");
  EXPECT_EQ(testing::SqliteFile(file_).scalar("SELECT F1 FROM \"Sheet1$\" WHERE F2 = 'a'"),
            "100-0002");
}

TEST_F(SqliteData, TransactionAsAnotherConnectionSeesIt) {
  const auto db = openSqlite(file_);
  db->beginTransaction();
  EXPECT_EQ(db->execute(update_), 2);
  EXPECT_EQ(codes(), "100-0001,100-0001,100-0002,-");  // not before the commit
  db->commitTransaction();
  EXPECT_EQ(codes(), "100-0009,100-0009,100-0002,-");
  db->beginTransaction();
  EXPECT_EQ(db->execute("DELETE FROM 住所"), 4);
  db->rollbackTransaction();
  EXPECT_NO_THROW(db->rollbackTransaction());  // SQLite may have ended it itself already
  db->beginTransaction();
  EXPECT_EQ(db->execute("DELETE FROM 住所"), 4);
  db->close();  // rolls back
  EXPECT_THROW(db->execute("SELECT 1"), DatabaseError);
  EXPECT_EQ(codes(), "100-0009,100-0009,100-0002,-");
  testing::SqliteFile(file_).exec("DELETE FROM 住所;");  // the file is free again at once
}

// The system's own text for a file that is not there.
#if defined(_WIN32)
const std::string kNoSuchFile = win32::systemErrorText(ERROR_FILE_NOT_FOUND);
#else
const std::string kNoSuchFile = "No such file or directory";
#endif

// Names SQLite would read as a URI or an in-memory database are plain file names here.
TEST_F(SqliteData, MissingFilesFailNamingThePathAndAreNotCreated) {
  const std::string missing = dir_.file("typo.db");
  EXPECT_THAT([&] { openSqlite(missing); },
              ThrowsMessage<DatabaseError>(
                  StrEq("unable to open database file: " + missing + " (" + kNoSuchFile + ")")));
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir_.path());
  for (const char* name : {":memory:", "file:x.db?mode=rwc", "", "."}) {
    EXPECT_THROW(openSqlite(name), DatabaseError) << name;
  }
  std::filesystem::rename(file_, "file:rel.db");
  EXPECT_EQ(openSqlite("file:rel.db")->tableNames().size(), 2u);
  std::filesystem::current_path(previous);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 1);
}

TEST_F(SqliteData, FileThatIsNoDatabaseFailsAndStaysAsItWas) {
  const std::string text(2048, 'x');
  testing::writeBytes(file_, text);
  EXPECT_THAT([&] { openSqlite(file_); },
              ThrowsMessage<DatabaseError>(StrEq("file is not a database")));
  EXPECT_EQ(testing::readBytes(file_), text);
}

TEST_F(SqliteData, ReadOnlyFileCanBeBrowsedButWritesFailWithSqlitesText) {
  ASSERT_EQ(::chmod(file_.c_str(), 0444), 0);
  ASSERT_EQ(::chmod(dir_.path().string().c_str(), 0755), 0);
  const int status = testing::runUnprivileged([&] {
    const auto db = openSqlite(file_);
    if (db->tableNames().size() != 2) return 1;
    db->beginTransaction();
    try {
      db->execute(update_);
    } catch (const DatabaseError& error) {
      db->rollbackTransaction();
      return std::string(error.what()) == "attempt to write a readonly database" ? 0 : 2;
    }
    return 3;
  });
  if (status < 0) GTEST_SKIP() << "cannot drop root privileges here";
  EXPECT_EQ(status, 0) << "1: not browsable, 2: another text, 3: written";
  EXPECT_EQ(codes(), "100-0001,100-0001,100-0002,-");
}

TEST_F(SqliteData, LockedDatabaseFailsWithSqlitesTextOrIsWaitedFor) {
  testing::SqliteFile other(file_);
  other.exec("BEGIN IMMEDIATE; DELETE FROM 住所 WHERE 郵便番号 IS NULL;");
  const auto db = openSqlite(file_, 50ms);
  EXPECT_EQ(db->tableNames().size(), 2u) << "reading is not blocked";
  EXPECT_THAT([&] { db->execute(update_); },
              ThrowsMessage<DatabaseError>(StrEq("database is locked")));
  const auto waiting = openSqlite(file_);
  other.exec("COMMIT; BEGIN EXCLUSIVE;");
  EXPECT_THAT([&] { openSqlite(file_, 50ms); },
              ThrowsMessage<DatabaseError>(StrEq("database is locked")));
  // A lock released within the wait time is waited for.
  std::thread release([&other] {
    std::this_thread::sleep_for(200ms);
    other.exec("ROLLBACK");
  });
  EXPECT_NO_THROW(EXPECT_EQ(waiting->execute(update_), 2));
  release.join();
  EXPECT_EQ(codes(), "100-0009,100-0009,100-0002");
}

TEST_F(SqliteData, ARunsTransactionWaitsForAnotherWriterInsteadOfFailingAtOnce) {
  testing::SqliteFile other(file_);
  other.exec("BEGIN IMMEDIATE; DELETE FROM 住所 WHERE 郵便番号 IS NULL;");
  const auto db = openSqlite(file_);
  std::thread release([&other] {
    std::this_thread::sleep_for(300ms);
    other.exec("COMMIT");
  });
  // The probe's read inside a deferred transaction would have made the UPDATE fail at once.
  EXPECT_NO_THROW({
    db->beginTransaction();
    db->query("SELECT 郵便番号\r FROM 住所\r WHERE 1=0\r");
    EXPECT_EQ(db->execute(update_), 2);
    db->commitTransaction();
  });
  release.join();
  EXPECT_EQ(codes(), "100-0009,100-0009,100-0002");
}

TEST_F(SqliteData, OneStatementPerExecuteAndNothingRunsOtherwise) {
  const auto db = openSqlite(file_);
  for (const std::string& sql :
       {update_ + "; DELETE FROM 住所", update_ + ";DELETE FROM 住所;", "SELECT 1; " + update_}) {
    EXPECT_THAT([&] { db->execute(sql); },
                Throws<DatabaseError>(
                    Property(&DatabaseError::situation, DatabaseSituation::multipleStatements)))
        << sql;
  }
  EXPECT_EQ(db->execute(update_ + ";  -- a comment"), 2);
  EXPECT_EQ(codes(), "100-0009,100-0009,100-0002,-");
}

// The file's own write bits decide, for root as for anybody: a file its owner marked
// read-only is not changed.
TEST_F(SqliteData, ReadOnlyFileIsNotWrittenEvenByAPrivilegedProcess) {
  ASSERT_EQ(::chmod(file_.c_str(), 0444), 0);
  const auto db = openSqlite(file_);
  EXPECT_EQ(db->tableNames().size(), 2u);
  db->beginTransaction();
  EXPECT_THAT([&] { db->execute(update_); },
              ThrowsMessage<DatabaseError>(StrEq("attempt to write a readonly database")));
  db->rollbackTransaction();
  EXPECT_EQ(codes(), "100-0001,100-0001,100-0002,-");
}

TEST_F(SqliteData, AFileDeletedOrReplacedDuringTheRunIsNotReportedAsCommitted) {
  for (const bool replace : {false, true}) {
    SCOPED_TRACE(replace ? "replaced" : "deleted");
    const std::string moved = dir_.file("moved.db");
    const auto db = openSqlite(file_);
    db->beginTransaction();
    EXPECT_EQ(db->execute(update_), 2);
    std::filesystem::rename(file_, moved);
    if (replace) std::filesystem::copy_file(moved, file_);
    EXPECT_THAT([&] { db->commitTransaction(); },
                Throws<DatabaseError>(
                    AllOf(Property(&DatabaseError::situation, DatabaseSituation::fileReplaced),
                          Property(&DatabaseError::values, Field(&SituationValues::path, file_)))));
    db->close();
    if (!replace) std::filesystem::copy_file(moved, file_);
    EXPECT_EQ(testing::SqliteFile(moved).scalar("SELECT count(*) FROM 住所 WHERE 郵便番号 = "
                                                "'100-0009'"),
              "0");
    EXPECT_EQ(codes(), "100-0001,100-0001,100-0002,-");
    std::filesystem::remove(moved);
  }
}

}  // namespace
}  // namespace norvel
