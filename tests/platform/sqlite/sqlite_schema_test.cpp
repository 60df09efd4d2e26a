// What the schema browser and the probe of a replacement run learn from an SQLite file. The run
// quotes codes only for the text types 130 and 202, so the type codes decide whether an UPDATE
// matches anything.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/sqlite/sqlite_connection.h"
#include "support/sqlite_fixture.h"
#include "support/temp_dir.h"

namespace norvel {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::ThrowsMessage;

std::string probe(const std::string& table, const std::string& field) {
  return "SELECT " + field + "\r FROM " + table + "\r WHERE 1=0\r";
}

// Without a usable declared type the first value that is not NULL tells; no value at all means
// text, the kind a postal code column most likely is. STRING has NUMERIC affinity: a hyphenated
// code stays text, a bare number becomes an integer.
TEST(SqliteSchema, DeclaredTypeOrElseTheFirstStoredValueGivesTheTypeCode) {
  // "<declared type>[: <stored values>]"; without values the column holds '100-0001'.
  const std::pair<int, std::vector<std::string>> cases[] = {
      {ado::adVarWChar,
       {"text", "TEXT", "varchar(8)", "nvarchar(8)", "character varying(8)", "clob", ": '1-2'",
        ": ", ": NULL", "STRING: '100-0001'"}},
      {ado::adWChar, {"char(8)", "nchar(8)", "character(8)"}},
      {ado::adInteger,
       {"integer", "int", "smallint", ": 1000001", ": NULL), (1000001", "STRING: '1000001'"}},
      {ado::adBigInt, {"bigint", "int8", "unsigned big int"}},
      {ado::adNumeric, {"numeric", "decimal(10,2)"}},
      {ado::adDouble, {"real", "double", "float", ": 1.5"}},
      {ado::adBoolean, {"boolean"}},
      {ado::adDBTimeStamp, {"date", "datetime", "timestamp"}},
      {ado::adDBTime, {"time"}},
      {ado::adLongVarBinary, {"blob", ": x'00'"}},
  };
  const testing::TempDir dir;
  const std::string file = dir.file("types.db");
  std::vector<std::pair<std::string, int>> columns;
  testing::SqliteFile setup(file);
  for (const auto& [code, declarations] : cases) {
    for (const std::string& column : declarations) {
      const std::size_t colon = column.find(':');
      const std::string values =
          colon == std::string::npos ? "'100-0001'" : column.substr(colon + 1);
      const std::string table = "t" + std::to_string(columns.size());
      setup.exec("CREATE TABLE " + table + "(c " + column.substr(0, colon) + ");");
      if (values != " ") setup.exec("INSERT INTO " + table + " VALUES (" + values + ");");
      columns.emplace_back(column, code);
    }
  }
  const auto db = openSqlite(file);
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const QueryInfo info = db->query(probe("t" + std::to_string(i), "c"));
    EXPECT_EQ(info.first_column_type, columns[i].second) << columns[i].first;
    EXPECT_TRUE(info.eof) << columns[i].first;
  }
}

TEST(SqliteSchema, TablesInCreationOrderColumnsInTableOrderAndProbesThroughViews) {
  const testing::TempDir dir;
  const std::string file = dir.file("catalog.db");
  testing::SqliteFile(file).exec(
      "CREATE TABLE 住所(id INTEGER PRIMARY KEY AUTOINCREMENT, 郵便番号 char(8), \"F 1\");"
      "CREATE INDEX 住所_郵便番号 ON 住所(郵便番号); ALTER TABLE 住所 ADD COLUMN 追加 text;"
      "CREATE VIEW 東京 AS SELECT 郵便番号 AS code, id FROM 住所;"
      "CREATE TABLE \"Sheet1$\"(F1, F2); CREATE TABLE Zebra(a); CREATE TABLE alpha(a);"
      "CREATE TRIGGER tr AFTER INSERT ON alpha BEGIN SELECT 1; END;"
      "INSERT INTO 住所(郵便番号) VALUES ('100-0001'); ANALYZE;"
      "CREATE TABLE gone(x); DROP TABLE Zebra; CREATE TABLE Zebra(b);");
  // AUTOINCREMENT made sqlite_sequence, ANALYZE sqlite_stat1: neither is listed. A table made
  // again moves to the end.
  const auto db = openSqlite(file);
  EXPECT_THAT(db->tableNames(), ElementsAre("住所", "東京", "Sheet1$", "alpha", "gone", "Zebra"));
  EXPECT_THAT(db->columnNames("住所"), ElementsAre("id", "郵便番号", "F 1", "追加"));
  EXPECT_THAT(db->columnNames("東京"), ElementsAre("code", "id"));
  EXPECT_THAT(db->columnNames("Sheet1$"), ElementsAre("F1", "F2"));
  EXPECT_THAT(db->columnNames("missing"), IsEmpty());
  EXPECT_THAT(db->columnNames("alpha'; DROP TABLE alpha; --"), IsEmpty());

  EXPECT_EQ(db->query(probe("東京", "code")).first_column_type, ado::adWChar);
  EXPECT_FALSE(db->query("SELECT code FROM 東京").eof);
  EXPECT_THAT([&] { db->query(probe("住所", "番地")); },
              ThrowsMessage<DatabaseError>(::testing::StrEq("no such column: 番地")));
  EXPECT_THROW(db->query("DELETE FROM 住所"), DatabaseError);  // a query changes nothing
  // A query leaves no lock behind: another connection writes at once.
  testing::SqliteFile(file).exec("INSERT INTO alpha VALUES (1);");
}

TEST(SqliteSchema, ViewOverADroppedTableFailsWithSqlitesText) {
  const testing::TempDir dir;
  const std::string file = dir.file("dropped.db");
  testing::SqliteFile(file).exec(
      "CREATE TABLE 住所(郵便番号 text); CREATE VIEW 一覧 AS SELECT 郵便番号 FROM 住所;"
      "DROP TABLE 住所;");
  const auto db = openSqlite(file);
  EXPECT_THAT(db->tableNames(), ElementsAre("一覧"));
  EXPECT_THAT([&] { db->columnNames("一覧"); },
              ThrowsMessage<DatabaseError>(HasSubstr("no such table: main.住所")));
  EXPECT_THAT(db->tableNames(), ElementsAre("一覧"));  // the connection stays usable
}

}  // namespace
}  // namespace norvel
