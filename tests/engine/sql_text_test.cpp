#include "engine/sql_text.h"

#include <gtest/gtest.h>

#include "platform/database.h"

namespace norvel {
namespace {

TEST(SqlText, ProbeAndUpdateTextsByteForByte) {
  EXPECT_EQ(buildProbe("住所", "郵便番号"), "SELECT 郵便番号\r FROM 住所\r WHERE 1=0\r");
  EXPECT_EQ(buildProbe("Sheet1$", "F1"), "SELECT [F1]\r FROM [Sheet1$]\r WHERE 1=0\r");
  // A name that is not plain is quoted the data source's way, so that it cannot inject.
  EXPECT_EQ(buildProbe("my table", "f"), "SELECT f\r FROM \"my table\"\r WHERE 1=0\r");

  struct Case {
    std::string table;
    int type;
    std::string old_code;
    std::string new_code;
    std::string sql;
  };
  const std::vector<Case> cases = {
      {"住所", ado::adVarWChar, "100-0001", "100-0002",
       "UPDATE 住所\r SET 郵便番号 = '100-0002' WHERE 郵便番号 = '100-0001'"},
      {"Sheet1$", ado::adVarWChar, "NULL", "100-0002",
       "UPDATE [Sheet1$]\r SET [郵便番号] = '100-0002' WHERE [郵便番号] IS NULL "},
      {"住所", ado::adInteger, "1000001", "NULL",
       "UPDATE 住所\r SET 郵便番号 = NULL WHERE 郵便番号 = 1000001"},
      {"住所", ado::adInteger, "0600001", "",
       "UPDATE 住所\r SET 郵便番号 = NULL WHERE 郵便番号 = 600001"},
      {"住所", ado::adVarWChar, "", "",
       "UPDATE 住所\r SET 郵便番号 = NULL WHERE 郵便番号 IS NULL "},
      {"住所", ado::adVarWChar, "null", "Null",
       "UPDATE 住所\r SET 郵便番号 = 'Null' WHERE 郵便番号 = 'null'"},
      {"住所", ado::adVarWChar, "O'Hare", "1",
       "UPDATE 住所\r SET 郵便番号 = '1' WHERE 郵便番号 = 'O''Hare'"},
      {"住所", ado::adInteger, "100 0001", "1000002",
       "UPDATE 住所\r SET 郵便番号 = 1000002 WHERE 郵便番号 = 1000001"},
  };
  for (const Case& c : cases) {
    const UpdateText update = buildUpdate(c.table, "郵便番号", c.type, c.old_code, c.new_code);
    ASSERT_TRUE(update.statement) << c.old_code;
    EXPECT_EQ(update.statement->withLiterals(), c.sql);
  }
}

TEST(SqlText, NumericColumnRefusesCodesThatAreNotNumbers) {
  for (const auto& [old_code, new_code, problem] :
       std::vector<std::tuple<std::string, std::string, std::string>>{
           {"100-0001", "1000002", "100-0001"}, {"1000001", "abc", "abc"}, {"x", "NULL", "x"}}) {
    const UpdateText update = buildUpdate("t", "f", ado::adInteger, old_code, new_code);
    EXPECT_FALSE(update.statement) << old_code;
    EXPECT_EQ(update.problem, problem);
  }
}

TEST(SqlText, CodesAreValuesNeverText) {
  // Whatever a code holds, the text of the statement is the same: only the values differ.
  const std::string hostile = "\\' WHERE 1=1 #";
  const UpdateText update = buildUpdate("住所", "郵便番号", ado::adVarWChar, hostile, "x'; --");
  ASSERT_TRUE(update.statement);
  EXPECT_EQ(update.statement->withMarkers("?"),
            "UPDATE 住所\r SET 郵便番号 = ? WHERE 郵便番号 = ?");
  ASSERT_EQ(update.statement->values().size(), 2u);
  EXPECT_EQ(update.statement->values()[0].text, "x'; --");
  EXPECT_EQ(update.statement->values()[1].text, hostile);
  EXPECT_EQ(update.statement->values()[1].column_type, ado::adVarWChar);

  const UpdateText numeric = buildUpdate("t", "f", ado::adInteger, "0600001", "NULL");
  ASSERT_TRUE(numeric.statement);
  EXPECT_EQ(numeric.statement->withMarkers("?"), "UPDATE t\r SET f = NULL WHERE f = ?");
  EXPECT_EQ(numeric.statement->values()[0].kind, SqlValue::Kind::number);
  EXPECT_EQ(numeric.statement->values()[0].text, "600001");
}

TEST(SqlText, NamesThatAreNotPlainAreQuotedSoTheyCannotInject) {
  struct Case {
    std::string name;
    std::string quote;
    std::string written;
  };
  const std::vector<Case> cases = {
      {"郵便番号", "\"", "郵便番号"},
      {"zip_code2", "\"", "zip_code2"},
      {"a b", "\"", "\"a b\""},
      {"a\"b", "\"", "\"a\"\"b\""},
      {"f'x", "\"", "\"f'x\""},
      {"'f' = 'f'; DELETE FROM sentinel; --", "\"", "\"'f' = 'f'; DELETE FROM sentinel; --\""},
      {"2nd", "\"", "\"2nd\""},
      {"a`b", "`", "`a``b`"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(quoteName(c.name, {}, c.quote), c.written) << c.name;
  }
  // Worksheets keep their brackets; a "]" cannot be written inside them.
  EXPECT_EQ(quoteName("F 1", {"[", "]"}, "\""), "[F 1]");
  EXPECT_EQ(quoteName("a]b", {"[", "]"}, "\""), "\"a]b\"");
  EXPECT_THROW(quoteName("a b", {}, ""), std::invalid_argument);
  EXPECT_EQ(quoteName("ab", {}, ""), "ab");
}

// Brackets for a "$" are Jet's and the workbook's way; a server that refuses them gets the
// name in its own quote, and plain names stay bare either way.
TEST(SqlText, DollarNamesTakeBracketsOnlyWhereTheDataSourceTakesThem) {
  struct Case {
    std::string table;
    NameQuoting quoting;
    std::string probe;
    std::string update;
  };
  const std::vector<Case> cases = {
      {"Sheet1$",
       {"\"", true},
       "SELECT [F1]\r FROM [Sheet1$]\r WHERE 1=0\r",
       "UPDATE [Sheet1$]\r SET [F1] = ? WHERE [F1] = ?"},
      {"Sheet1$",
       {"`", true},
       "SELECT [F1]\r FROM [Sheet1$]\r WHERE 1=0\r",
       "UPDATE [Sheet1$]\r SET [F1] = ? WHERE [F1] = ?"},
      {"zip$data",
       {"\"", false},
       "SELECT F1\r FROM \"zip$data\"\r WHERE 1=0\r",
       "UPDATE \"zip$data\"\r SET F1 = ? WHERE F1 = ?"},
      {"t$1",
       {"`", false},
       "SELECT F1\r FROM `t$1`\r WHERE 1=0\r",
       "UPDATE `t$1`\r SET F1 = ? WHERE F1 = ?"},
      {"t\\",
       {"`", false},
       "SELECT F1\r FROM `t\\`\r WHERE 1=0\r",
       "UPDATE `t\\`\r SET F1 = ? WHERE F1 = ?"},
      {"住所",
       {"\"", false},
       "SELECT F1\r FROM 住所\r WHERE 1=0\r",
       "UPDATE 住所\r SET F1 = ? WHERE F1 = ?"},
      {"住所",
       {"\"", true},
       "SELECT F1\r FROM 住所\r WHERE 1=0\r",
       "UPDATE 住所\r SET F1 = ? WHERE F1 = ?"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.table + " " + c.quoting.identifier_quote);
    EXPECT_EQ(buildProbe(c.table, "F1", c.quoting), c.probe);
    const UpdateText update = buildUpdate(c.table, "F1", ado::adVarWChar, "1", "2", c.quoting);
    ASSERT_TRUE(update.statement);
    EXPECT_EQ(update.statement->withMarkers("?"), c.update);
  }
  // Without a quote character such a name cannot be written safely at all.
  EXPECT_THROW(buildProbe("zip$data", "F1", NameQuoting{"", false}), std::invalid_argument);
}

TEST(SqlText, ColumnKinds) {
  for (int type : {ado::adBSTR, ado::adChar, ado::adWChar, ado::adVarChar, ado::adVarWChar,
                   ado::adLongVarChar, ado::adLongVarWChar}) {
    EXPECT_EQ(columnKindOf(type), ColumnKind::text) << type;
  }
  for (int type : {ado::adInteger, ado::adBigInt, ado::adDouble, ado::adNumeric, ado::adCurrency,
                   ado::adDate, ado::adBoolean, ado::adVarBinary}) {
    EXPECT_EQ(columnKindOf(type), ColumnKind::numeric) << type;
  }
}

TEST(SqlText, Literals) {
  EXPECT_EQ(SqlLiteral(std::nullopt), "NULL");
  EXPECT_EQ(SqlLiteral(std::string()), "NULL");
  EXPECT_EQ(SqlLiteral(std::string("a")), "'a'");
  EXPECT_EQ(NullToEmpty(std::nullopt), "");
}

}  // namespace
}  // namespace norvel
