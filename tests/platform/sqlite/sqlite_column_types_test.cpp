// The probe of a replacement run learns a column's ADO type from a query that returns no rows;
// the run quotes codes only for the text types 130 and 202, so these codes decide whether an
// UPDATE matches anything.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "platform/sqlite/sqlite_connection.h"
#include "sqlite_test_support.h"

namespace norvel {
namespace {

std::string probe(const std::string& table, const std::string& field) {
  return "SELECT " + field + "\r FROM " + table + "\r WHERE 1=0\r";
}

struct DeclaredCase {
  const char* declared_type;
  int ado_type;
};

void PrintTo(const DeclaredCase& c, std::ostream* os) {
  *os << c.declared_type << " -> " << c.ado_type;
}

class DeclaredTypeTest : public ::testing::TestWithParam<DeclaredCase> {};

TEST_P(DeclaredTypeTest, ProbeReportsAdoTypeOfDeclaredType) {
  const test::TempDir dir;
  const std::string file = dir.file("types.db");
  test::createDatabase(file, std::string("CREATE TABLE t(c ") + GetParam().declared_type +
                                 "); INSERT INTO t VALUES ('100-0001');");
  const auto db = openSqlite(file);
  const QueryInfo info = db->query(probe("t", "c"));
  EXPECT_TRUE(info.eof);
  EXPECT_EQ(info.first_column_type, GetParam().ado_type) << GetParam().declared_type;
}

INSTANTIATE_TEST_SUITE_P(
    Affinities, DeclaredTypeTest,
    ::testing::Values(
        DeclaredCase{"text", ado::adVarWChar}, DeclaredCase{"TEXT", ado::adVarWChar},
        DeclaredCase{"varchar(8)", ado::adVarWChar}, DeclaredCase{"nvarchar(8)", ado::adVarWChar},
        DeclaredCase{"character varying(8)", ado::adVarWChar},
        DeclaredCase{"clob", ado::adVarWChar}, DeclaredCase{"char(8)", ado::adWChar},
        DeclaredCase{"nchar(8)", ado::adWChar}, DeclaredCase{"character(8)", ado::adWChar},
        DeclaredCase{"integer", ado::adInteger}, DeclaredCase{"int", ado::adInteger},
        DeclaredCase{"smallint", ado::adInteger}, DeclaredCase{"bigint", ado::adBigInt},
        DeclaredCase{"int8", ado::adBigInt}, DeclaredCase{"unsigned big int", ado::adBigInt},
        DeclaredCase{"numeric", ado::adNumeric}, DeclaredCase{"decimal(10,2)", ado::adNumeric},
        DeclaredCase{"real", ado::adDouble}, DeclaredCase{"double", ado::adDouble},
        DeclaredCase{"float", ado::adDouble}, DeclaredCase{"boolean", ado::adBoolean},
        DeclaredCase{"date", ado::adDBTimeStamp}, DeclaredCase{"datetime", ado::adDBTimeStamp},
        DeclaredCase{"timestamp", ado::adDBTimeStamp}, DeclaredCase{"time", ado::adDBTime},
        DeclaredCase{"blob", ado::adLongVarBinary}));

// Without a usable declared type the stored values tell; no value at all means text, the
// kind a postal code column most likely is.
struct StoredCase {
  const char* name;
  const char* declared_type;
  const char* rows;
  int ado_type;
};

void PrintTo(const StoredCase& c, std::ostream* os) {
  *os << c.name << " -> " << c.ado_type;
}

class StoredValueTest : public ::testing::TestWithParam<StoredCase> {};

TEST_P(StoredValueTest, ProbeReportsTypeOfFirstStoredValue) {
  const test::TempDir dir;
  const std::string file = dir.file("untyped.db");
  test::createDatabase(file, std::string("CREATE TABLE t(id INTEGER, c ") +
                                 GetParam().declared_type + ");" + GetParam().rows);
  const auto db = openSqlite(file);
  EXPECT_EQ(db->query(probe("t", "c")).first_column_type, GetParam().ado_type);
}

INSTANTIATE_TEST_SUITE_P(
    Untyped, StoredValueTest,
    ::testing::Values(
        StoredCase{"Text", "", "INSERT INTO t VALUES (1, '100-0001');", ado::adVarWChar},
        StoredCase{"Integer", "", "INSERT INTO t VALUES (1, 1000001);", ado::adInteger},
        StoredCase{"Real", "", "INSERT INTO t VALUES (1, 1.5);", ado::adDouble},
        StoredCase{"Blob", "", "INSERT INTO t VALUES (1, x'00');", ado::adLongVarBinary},
        StoredCase{"Empty", "", "", ado::adVarWChar},
        StoredCase{"OnlyNull", "", "INSERT INTO t VALUES (1, NULL);", ado::adVarWChar},
        StoredCase{"NullFirst", "", "INSERT INTO t VALUES (1, NULL), (2, 1000001);",
                   ado::adInteger},
        // STRING has NUMERIC affinity in SQLite: a hyphenated code stays text, a bare
        // number becomes an integer.
        StoredCase{"StringWithHyphen", "STRING", "INSERT INTO t VALUES (1, '100-0001');",
                   ado::adVarWChar},
        StoredCase{"StringWithNumber", "STRING", "INSERT INTO t VALUES (1, '1000001');",
                   ado::adInteger}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SqliteQueryTest, ViewColumnReportsTypeOfItsTableColumn) {
  const test::TempDir dir;
  const std::string file = dir.file("view.db");
  test::createDatabase(file,
                       "CREATE TABLE t(code char(8), n integer, u);"
                       "INSERT INTO t VALUES ('100-0001', 1, 5);"
                       "CREATE VIEW v AS SELECT code AS 郵便番号, n, u FROM t;");
  const auto db = openSqlite(file);
  EXPECT_EQ(db->query(probe("v", "郵便番号")).first_column_type, ado::adWChar);
  EXPECT_EQ(db->query(probe("v", "n")).first_column_type, ado::adInteger);
  EXPECT_EQ(db->query(probe("v", "u")).first_column_type, ado::adInteger);
}

TEST(SqliteQueryTest, TellsEofAndFetchesOnlyTheFirstRow) {
  const test::TempDir dir;
  const std::string file = dir.file("eof.db");
  test::createDatabase(file, "CREATE TABLE t(c text); INSERT INTO t VALUES ('a'), ('b');");
  const auto db = openSqlite(file);
  EXPECT_FALSE(db->query("SELECT c FROM t").eof);
  EXPECT_TRUE(db->query("SELECT c FROM t WHERE c = 'z'").eof);
  const QueryInfo expression = db->query("SELECT count(*) FROM t");
  EXPECT_FALSE(expression.eof);
  EXPECT_EQ(expression.first_column_type, ado::adInteger);
  EXPECT_EQ(db->query("SELECT 'x'").first_column_type, ado::adVarWChar);
  // A query leaves no lock behind: another connection can write at once.
  test::createDatabase(file, "INSERT INTO t VALUES ('c');");
}

TEST(SqliteQueryTest, UnknownFieldOrTableFailsWithSqliteText) {
  const test::TempDir dir;
  const std::string file = dir.file("unknown.db");
  test::createDatabase(file, "CREATE TABLE 住所(郵便番号 text);");
  const auto db = openSqlite(file);
  EXPECT_EQ(db->query(probe("住所", "郵便番号")).first_column_type, ado::adVarWChar);
  try {
    db->query(probe("住所", "番地"));
    FAIL() << "no error";
  } catch (const DatabaseError& error) {
    EXPECT_STREQ(error.what(), "no such column: 番地");
  }
  try {
    db->query(probe("Sheet1$", "F1"));
    FAIL() << "no error";
  } catch (const DatabaseError& error) {
    EXPECT_STREQ(error.what(), "no such table: Sheet1$");
  }
}

TEST(SqliteQueryTest, RefusesStatementsThatWouldChangeData) {
  const test::TempDir dir;
  const std::string file = dir.file("readonly-query.db");
  test::createDatabase(file, "CREATE TABLE t(c text); INSERT INTO t VALUES ('a');");
  const auto db = openSqlite(file);
  EXPECT_THROW(db->query("DELETE FROM t"), DatabaseError);
  EXPECT_THROW(db->query("   "), DatabaseError);
  EXPECT_EQ(test::scalar(file, "SELECT count(*) FROM t"), "1");
}

}  // namespace
}  // namespace norvel
