#include "workbook_test_support.h"

namespace norvel::test {
namespace {

TEST_F(WorkbookTest, SheetsAreTablesInWorkbookOrderWithTheDriversFieldsAndTypes) {
  const std::string path = book("addresses");
  auto header = openWorkbook(path, true);
  auto no_header = openWorkbook(path, false);
  EXPECT_EQ(header->tableNames(), (Names{"住所録$", "Sheet2$", "集計$"}));
  // E1 is empty: the field is named by its place. A number header becomes text; a formula
  // without a cached value still widens the range.
  EXPECT_EQ(header->columnNames("住所録$"),
            (Names{"郵便番号", "都道府県", "市区町村", "コード", "F5", "備考"}));
  EXPECT_EQ(header->columnNames("Sheet2$"), (Names{"100-0001", "1000001"}));
  EXPECT_EQ(header->columnNames("集計$"), (Names{"件数", "F2"}));
  EXPECT_EQ(no_header->columnNames("住所録$"), (Names{"F1", "F2", "F3", "F4", "F5", "F6"}));
  EXPECT_TRUE(header->columnNames("sheet2$").empty());

  for (const auto& [header_row, table, field, type] :
       std::vector<std::tuple<bool, std::string, std::string, int>>{
           {true, "住所録$", "郵便番号", ado::adVarWChar},  // hyphens and leading zeros
           {true, "住所録$", "コード", ado::adDouble},      // numbers only
           {true, "住所録$", "F5", ado::adVarWChar},        // a text and a number
           {false, "住所録$", "F4", ado::adVarWChar},       // its header text is data now
           {false, "Sheet2$", "F2", ado::adDouble},
           {true, "集計$", "F2", ado::adVarWChar},  // no value at all
       }) {
    const QueryInfo info = (header_row ? header : no_header)->query(probeSql(table, field));
    EXPECT_EQ(info.first_column_type, type) << table << field;
    EXPECT_TRUE(info.eof) << table << field;
  }
}

TEST_F(WorkbookTest, ValuesKeepTheirKind) {
  const std::string path = book("addresses");
  const std::string handmade = book("handmade");
  for (const auto& [header_row, workbook, table, condition, rows] :
       std::vector<std::tuple<bool, std::string, std::string, std::string, int>>{
           {true, path, "住所録$", "[郵便番号] = '0600001'", 1},  // the leading zero stays
           {true, path, "住所録$", "[コード] = 1000001", 2},
           {true, path, "住所録$", "[F5] = '5'", 1},          // a number in a text field as shown
           {true, path, "住所録$", "[F5] = 'X'", 1},          // text compares without letter case
           {true, path, "住所録$", "[郵便番号] IS NULL", 1},  // a styled empty cell
           {true, path, "住所録$", "[F5] IS NULL", 3},        // cells left out
           {false, path, "住所録$", "[F1] = '郵便番号'", 1},
           {false, path, "Sheet2$", "[F1] = '100-0001'", 1},
           // Shared strings: rich text runs are joined, the phonetic reading left out.
           {false, handmade, "Sheet1$",
            "[F1] = '100-0001' AND [F2] = '千代田区' AND [F3] = ' 前後に空白 ' AND "
            "[F4] = '改行' || char(13) || 'あり'",
            1},
           // Formula results, a boolean, an error (#N/A) and a zero.
           {false, handmade, "Sheet1$",
            "[F5] = 2 AND [F6] = 'ab' AND [F7] = 1 AND [F8] IS NULL AND [F9] = 0", 1},
           {false, handmade, "Sheet2$", "1=1", 11},                          // rows 2 to 12
           {false, handmade, "Sheet2$", "[F1] = 'a3' AND [F2] = '0.3'", 1},  // as General shows
           {false, handmade, "Sheet2$", "[F2] = 'b2' AND [F1] IS NULL AND [F27] = '27'", 1},
           {false, handmade, "Sheet3$", "[F1] = 'abc' AND [F2] = 7", 1},
           {true, handmade, "Sheet5$", "[a#b] = 1", 1},
       }) {
    EXPECT_EQ(countRows(*openWorkbook(workbook, header_row), table, condition), rows) << condition;
  }
}

TEST_F(WorkbookTest, HeaderTextsBecomeFieldNamesAsTheDriverMakesThem) {
  auto db = openWorkbook(book("handmade"), true);
  EXPECT_EQ(db->tableNames().size(), 6u);
  EXPECT_EQ(db->columnNames("Sheet5$"), (Names{"a#b", "コード", "F3", "F4", "(x)"}));
  EXPECT_EQ(db->columnNames("Sheet6$"), Names{"F1"});  // an empty worksheet
  EXPECT_TRUE(db->query(probeSql("Sheet6$", "F1")).eof);
  EXPECT_EQ(db->query(probeSql("Sheet1$", "F5")).first_column_type, ado::adDouble);
}

}  // namespace
}  // namespace norvel::test
