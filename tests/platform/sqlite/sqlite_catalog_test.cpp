#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sqlite/sqlite_connection.h"
#include "sqlite_test_support.h"

namespace norvel {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

TEST(SqliteCatalogTest, ListsTablesAndViewsInCreationOrderWithoutInternalTables) {
  const test::TempDir dir;
  const std::string file = dir.file("catalog.db");
  test::createDatabase(file,
                       "CREATE TABLE 住所(id INTEGER PRIMARY KEY AUTOINCREMENT, 郵便番号 text);"
                       "CREATE INDEX 住所_郵便番号 ON 住所(郵便番号);"
                       "CREATE VIEW 東京 AS SELECT * FROM 住所;"
                       "CREATE TABLE \"Sheet1$\"(F1 text);"
                       "CREATE TABLE Zebra(a);"
                       "CREATE TABLE alpha(a);"
                       "CREATE TRIGGER tr AFTER INSERT ON alpha BEGIN SELECT 1; END;"
                       "INSERT INTO 住所(郵便番号) VALUES ('100-0001');"
                       "ANALYZE;");
  // AUTOINCREMENT made sqlite_sequence, ANALYZE sqlite_stat1: both exist but are not listed.
  ASSERT_EQ(test::scalar(file, "SELECT count(*) FROM sqlite_master WHERE name LIKE 'sqlite%'"),
            "2");

  const auto db = openSqlite(file);
  EXPECT_THAT(db->tableNames(), ElementsAre("住所", "東京", "Sheet1$", "Zebra", "alpha"));
}

TEST(SqliteCatalogTest, RecreatedTableMovesToTheEnd) {
  const test::TempDir dir;
  const std::string file = dir.file("recreated.db");
  test::createDatabase(file,
                       "CREATE TABLE a(x); CREATE TABLE b(x); DROP TABLE a;"
                       "CREATE TABLE a(y);");
  EXPECT_THAT(openSqlite(file)->tableNames(), ElementsAre("b", "a"));
}

TEST(SqliteCatalogTest, EmptyDatabaseHasNoTables) {
  const test::TempDir dir;
  const std::string file = dir.file("empty.db");
  test::createDatabase(file, "CREATE TABLE t(x); DROP TABLE t;");
  EXPECT_THAT(openSqlite(file)->tableNames(), IsEmpty());
}

TEST(SqliteCatalogTest, ListsColumnsInTableOrder) {
  const test::TempDir dir;
  const std::string file = dir.file("columns.db");
  test::createDatabase(file,
                       "CREATE TABLE 住所(id integer, 郵便番号 text, 都道府県 text, \"F 1\");"
                       "ALTER TABLE 住所 ADD COLUMN 追加 text;"
                       "CREATE TABLE \"Sheet1$\"(F1, F2);"
                       "CREATE VIEW v AS SELECT 郵便番号 AS code, id FROM 住所;");
  const auto db = openSqlite(file);
  EXPECT_THAT(db->columnNames("住所"), ElementsAre("id", "郵便番号", "都道府県", "F 1", "追加"));
  EXPECT_THAT(db->columnNames("Sheet1$"), ElementsAre("F1", "F2"));
  EXPECT_THAT(db->columnNames("v"), ElementsAre("code", "id"));
}

TEST(SqliteCatalogTest, TableThatDoesNotExistHasNoColumns) {
  const test::TempDir dir;
  const std::string file = dir.file("nocolumns.db");
  test::createDatabase(file, "CREATE TABLE t(a);");
  const auto db = openSqlite(file);
  EXPECT_THAT(db->columnNames("missing"), IsEmpty());
  EXPECT_THAT(db->columnNames(""), IsEmpty());
  EXPECT_THAT(db->columnNames("t'; DROP TABLE t; --"), IsEmpty());
  EXPECT_THAT(db->tableNames(), ElementsAre("t"));
}

TEST(SqliteCatalogTest, ViewOverDroppedTableFailsWithSqliteText) {
  const test::TempDir dir;
  const std::string file = dir.file("dropped.db");
  test::createDatabase(file,
                       "CREATE TABLE 住所(郵便番号 text);"
                       "CREATE VIEW 一覧 AS SELECT 郵便番号 FROM 住所;"
                       "DROP TABLE 住所;");
  const auto db = openSqlite(file);
  EXPECT_THAT(db->tableNames(), ElementsAre("一覧"));
  try {
    db->columnNames("一覧");
    FAIL() << "no error";
  } catch (const DatabaseError& error) {
    EXPECT_THAT(error.what(), HasSubstr("no such table: main.住所"));
  }
  // The connection stays usable after the failure.
  EXPECT_THAT(db->tableNames(), ElementsAre("一覧"));
}

}  // namespace
}  // namespace norvel
