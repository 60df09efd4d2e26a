// UPDATE texts as a replacement run sends them (a lone CR between clauses), their counts, and
// the one transaction around a run as another connection sees it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "platform/sqlite/sqlite_connection.h"
#include "sqlite_test_support.h"

namespace norvel {
namespace {

using ::testing::HasSubstr;

constexpr const char* kAddresses =
    "CREATE TABLE 住所(id INTEGER PRIMARY KEY, 郵便番号 text, 市区町村 text);"
    "INSERT INTO 住所(郵便番号, 市区町村) VALUES"
    " ('100-0001', '千代田区'), ('100-0001', '千代田区'), ('100-0002', '千代田区'),"
    " (NULL, '不明');";

class SqliteStatementsTest : public ::testing::Test {
 protected:
  void SetUp() override { test::createDatabase(file_, kAddresses); }

  std::string count(const std::string& code) const {
    return test::scalar(file_, "SELECT count(*) FROM 住所 WHERE 郵便番号 = '" + code + "'");
  }

  test::TempDir dir_;
  std::string file_ = dir_.file("住所.db");
};

TEST_F(SqliteStatementsTest, ExecuteReturnsRowsChangedByTheUpdate) {
  const auto db = openSqlite(file_);
  EXPECT_EQ(db->execute("UPDATE 住所\r SET 郵便番号 = '100-0009' WHERE 郵便番号 = '100-0001'"), 2);
  EXPECT_EQ(count("100-0009"), "2");
  EXPECT_EQ(db->execute("UPDATE 住所\r SET 郵便番号 = '100-0003' WHERE 郵便番号 IS NULL "), 1);
  EXPECT_EQ(db->execute("UPDATE 住所\r SET 郵便番号 = NULL WHERE 郵便番号 = '100-0002'"), 1);
  EXPECT_EQ(test::scalar(file_, "SELECT count(*) FROM 住所 WHERE 郵便番号 IS NULL"), "1");
}

TEST_F(SqliteStatementsTest, StatementsThatChangeNothingCountZero) {
  const auto db = openSqlite(file_);
  EXPECT_EQ(db->execute("UPDATE 住所\r SET 郵便番号 = '1' WHERE 郵便番号 = '999-9999'"), 0);
  EXPECT_EQ(db->execute("UPDATE 住所 SET 郵便番号 = '100-0009' WHERE 郵便番号 = '100-0001'"), 2);
  // A statement that is no INSERT, UPDATE or DELETE must not repeat the count before it.
  EXPECT_EQ(db->execute("CREATE TABLE other(x)"), 0);
  EXPECT_EQ(db->execute("SELECT * FROM 住所"), 0);
  EXPECT_EQ(db->execute("INSERT INTO other VALUES (1), (2), (3)"), 3);
  EXPECT_EQ(db->execute("DELETE FROM other"), 3);
  EXPECT_EQ(db->execute(""), 0);
}

TEST_F(SqliteStatementsTest, BracketQuotedWorksheetNames) {
  test::createDatabase(file_,
                       "CREATE TABLE \"Sheet1$\"(F1 text, F2 text);"
                       "INSERT INTO \"Sheet1$\" VALUES (NULL, 'a'), ('100-0001', 'b');");
  const auto db = openSqlite(file_);
  EXPECT_EQ(db->query("SELECT [F1]\r FROM [Sheet1$]\r WHERE 1=0\r").first_column_type,
            ado::adVarWChar);
  EXPECT_EQ(db->execute("UPDATE [Sheet1$]\r SET [F1] = '100-0002' WHERE [F1] IS NULL "), 1);
  EXPECT_EQ(test::scalar(file_, "SELECT F1 FROM \"Sheet1$\" WHERE F2 = 'a'"), "100-0002");
}

TEST_F(SqliteStatementsTest, FailingStatementReportsSqliteTextAndChangesNothing) {
  const auto db = openSqlite(file_);
  try {
    db->execute("UPDATE 住所\r SET 郵便番号 = '1' WHERE WHERE");
    FAIL() << "no error";
  } catch (const DatabaseError& error) {
    EXPECT_THAT(error.what(), HasSubstr("syntax error"));
  }
  test::createDatabase(file_,
                       "CREATE TABLE uniq(code text UNIQUE); "
                       "INSERT INTO uniq VALUES ('100-0001'), ('100-0002');");
  try {
    db->execute("UPDATE uniq SET code = '100-0001' WHERE code = '100-0002'");
    FAIL() << "no error";
  } catch (const DatabaseError& error) {
    EXPECT_STREQ(error.what(), "UNIQUE constraint failed: uniq.code");
  }
  EXPECT_EQ(test::scalar(file_, "SELECT count(*) FROM uniq WHERE code = '100-0002'"), "1");
}

TEST_F(SqliteStatementsTest, CommittedRunIsVisibleToAnotherConnection) {
  const auto db = openSqlite(file_);
  db->beginTransaction();
  EXPECT_EQ(db->execute("UPDATE 住所\r SET 郵便番号 = '100-0009' WHERE 郵便番号 = '100-0001'"), 2);
  EXPECT_EQ(db->execute("UPDATE 住所\r SET 郵便番号 = '100-0008' WHERE 郵便番号 = '100-0002'"), 1);
  EXPECT_EQ(count("100-0009"), "0") << "visible before commit";
  db->commitTransaction();
  EXPECT_EQ(count("100-0009"), "2");
  EXPECT_EQ(count("100-0008"), "1");
}

TEST_F(SqliteStatementsTest, RolledBackRunLeavesTheDataAsBefore) {
  const auto db = openSqlite(file_);
  db->beginTransaction();
  EXPECT_EQ(db->execute("UPDATE 住所\r SET 郵便番号 = '100-0009' WHERE 郵便番号 = '100-0001'"), 2);
  db->rollbackTransaction();
  EXPECT_EQ(count("100-0001"), "2");
  EXPECT_EQ(count("100-0009"), "0");
  // Rolling back again (SQLite may already have ended the transaction itself) is harmless.
  EXPECT_NO_THROW(db->rollbackTransaction());
}

TEST_F(SqliteStatementsTest, ClosingOrDestroyingRollsBackAnOpenTransaction) {
  {
    const auto db = openSqlite(file_);
    db->beginTransaction();
    db->execute("UPDATE 住所 SET 郵便番号 = '100-0009' WHERE 郵便番号 = '100-0001'");
  }
  EXPECT_EQ(count("100-0001"), "2");

  const auto db = openSqlite(file_);
  db->beginTransaction();
  db->execute("UPDATE 住所 SET 郵便番号 = '100-0009' WHERE 郵便番号 = '100-0001'");
  db->close();
  EXPECT_EQ(count("100-0001"), "2");
  EXPECT_NO_THROW(db->close());
  EXPECT_THROW(db->execute("SELECT 1"), DatabaseError);
  EXPECT_THROW(db->tableNames(), DatabaseError);
  // The file is free again: a write by another connection does not wait.
  test::createDatabase(file_, "DELETE FROM 住所;");
}

TEST_F(SqliteStatementsTest, TransactionMisuseFailsWithSqliteText) {
  const auto db = openSqlite(file_);
  try {
    db->commitTransaction();
    FAIL() << "no error";
  } catch (const DatabaseError& error) {
    EXPECT_THAT(error.what(), HasSubstr("no transaction is active"));
  }
  db->beginTransaction();
  try {
    db->beginTransaction();
    FAIL() << "no error";
  } catch (const DatabaseError& error) {
    EXPECT_THAT(error.what(), HasSubstr("within a transaction"));
  }
  db->rollbackTransaction();
}

}  // namespace
}  // namespace norvel
