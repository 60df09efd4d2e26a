#include "engine/sql_text.h"

#include <gtest/gtest.h>

#include "platform/database.h"

namespace norvel {
namespace {

TEST(SqlText, ProbeAndUpdateTextsByteForByte) {
  EXPECT_EQ(BuildProbe("住所", "郵便番号"), "SELECT 郵便番号\r FROM 住所\r WHERE 1=0\r");
  EXPECT_EQ(BuildProbe("Sheet1$", "F1"), "SELECT [F1]\r FROM [Sheet1$]\r WHERE 1=0\r");
  EXPECT_EQ(BuildProbe("my table", "f"), "SELECT f\r FROM my table\r WHERE 1=0\r");

  struct Case {
    std::string table;
    ColumnKind kind;
    std::string old_code;
    std::string new_code;
    std::string sql;
  };
  const std::vector<Case> cases = {
      {"住所", ColumnKind::text, "100-0001", "100-0002",
       "UPDATE 住所\r SET 郵便番号 = '100-0002' WHERE 郵便番号 = '100-0001'"},
      {"Sheet1$", ColumnKind::text, "NULL", "100-0002",
       "UPDATE [Sheet1$]\r SET [郵便番号] = '100-0002' WHERE [郵便番号] IS NULL "},
      {"住所", ColumnKind::numeric, "1000001", "NULL",
       "UPDATE 住所\r SET 郵便番号 = NULL WHERE 郵便番号 = 1000001"},
      {"住所", ColumnKind::numeric, "0600001", "",
       "UPDATE 住所\r SET 郵便番号 = NULL WHERE 郵便番号 = 600001"},
      {"住所", ColumnKind::text, "", "",
       "UPDATE 住所\r SET 郵便番号 = NULL WHERE 郵便番号 IS NULL "},
      {"住所", ColumnKind::text, "null", "Null",
       "UPDATE 住所\r SET 郵便番号 = 'Null' WHERE 郵便番号 = 'null'"},
      {"住所", ColumnKind::text, "O'Hare", "1",
       "UPDATE 住所\r SET 郵便番号 = '1' WHERE 郵便番号 = 'O''Hare'"},
      {"住所", ColumnKind::numeric, "100 0001", "1000002",
       "UPDATE 住所\r SET 郵便番号 = 1000002 WHERE 郵便番号 = 1000001"},
  };
  for (const Case& c : cases) {
    const UpdateText update = BuildUpdate(c.table, "郵便番号", c.kind, c.old_code, c.new_code);
    ASSERT_TRUE(update.sql) << c.old_code;
    EXPECT_EQ(*update.sql, c.sql);
  }
}

TEST(SqlText, NumericColumnRefusesCodesThatAreNotNumbers) {
  for (const auto& [old_code, new_code, problem] :
       std::vector<std::tuple<std::string, std::string, std::string>>{
           {"100-0001", "1000002", "100-0001"}, {"1000001", "abc", "abc"}, {"x", "NULL", "x"}}) {
    const UpdateText update = BuildUpdate("t", "f", ColumnKind::numeric, old_code, new_code);
    EXPECT_FALSE(update.sql) << old_code;
    EXPECT_EQ(update.problem, problem);
  }
}

TEST(SqlText, ColumnKinds) {
  for (int type : {ado::adBSTR, ado::adChar, ado::adWChar, ado::adVarChar, ado::adVarWChar,
                   ado::adLongVarChar, ado::adLongVarWChar}) {
    EXPECT_EQ(ColumnKindOf(type), ColumnKind::text) << type;
  }
  for (int type : {ado::adInteger, ado::adBigInt, ado::adDouble, ado::adNumeric, ado::adCurrency,
                   ado::adDate, ado::adBoolean, ado::adVarBinary}) {
    EXPECT_EQ(ColumnKindOf(type), ColumnKind::numeric) << type;
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
