#include <gtest/gtest.h>

#include "platform/workbook/workbook_layer.h"
#include "workbook_test_support.h"

namespace norvel {
namespace {

using test::countRows;
using test::probeSql;
using test::SheetXml;
using test::TempDir;
using test::workbookPackage;
using test::worksheet;
using test::writeZip;

class AddressBook : public ::testing::Test {
 protected:
  TempDir dir_;
  std::string path_ = test::writeAddressBook(dir_);
};

TEST_F(AddressBook, ListsEveryWorksheetAsATableInWorkbookOrder) {
  auto connection = openWorkbook(path_, true);
  EXPECT_EQ(connection->tableNames(), (std::vector<std::string>{"住所録$", "Sheet2$", "集計$"}));
}

TEST_F(AddressBook, HeaderRowNamesTheFields) {
  auto connection = openWorkbook(path_, true);
  // Column E has no header text: Jet names it by its position.
  EXPECT_EQ(connection->columnNames("住所録$"),
            (std::vector<std::string>{"郵便番号", "都道府県", "市区町村", "コード", "F5", "備考"}));
  // A number in the header row becomes the field's name as text.
  EXPECT_EQ(connection->columnNames("Sheet2$"), (std::vector<std::string>{"100-0001", "1000001"}));
  // A formula without a cached value still widens the used range.
  EXPECT_EQ(connection->columnNames("集計$"), (std::vector<std::string>{"件数", "F2"}));
}

TEST_F(AddressBook, WithoutHeaderRowFieldsAreNumberedAndRowOneIsData) {
  auto connection = openWorkbook(path_, false);
  EXPECT_EQ(connection->columnNames("住所録$"),
            (std::vector<std::string>{"F1", "F2", "F3", "F4", "F5", "F6"}));
  EXPECT_EQ(countRows(*connection, "住所録$", "1=1"), 6);
  EXPECT_EQ(countRows(*connection, "住所録$", "[F1] = '郵便番号'"), 1);
  EXPECT_EQ(countRows(*connection, "Sheet2$", "[F1] = '100-0001'"), 1);
}

TEST_F(AddressBook, TablesAreLookedUpByTheirExactName) {
  auto connection = openWorkbook(path_, true);
  EXPECT_TRUE(connection->columnNames("住所録").empty());
  EXPECT_TRUE(connection->columnNames("sheet2$").empty());
}

TEST_F(AddressBook, ProbeReportsTheDriversColumnTypes) {
  struct Case {
    bool header_row;
    const char* table;
    const char* field;
    int type;
  };
  const Case cases[] = {
      {true, "住所録$", "郵便番号", ado::adVarWChar},  // codes with hyphens and leading zeros
      {true, "住所録$", "コード", ado::adDouble},      // numbers only
      {true, "住所録$", "F5", ado::adVarWChar},        // a text and a number
      {true, "住所録$", "備考", ado::adVarWChar},
      {false, "住所録$", "F4", ado::adVarWChar},  // its header text is data now
      {false, "Sheet2$", "F2", ado::adDouble},
      {true, "集計$", "件数", ado::adDouble},
      {true, "集計$", "F2", ado::adVarWChar},  // no value at all
  };
  for (const Case& c : cases) {
    auto connection = openWorkbook(path_, c.header_row);
    const QueryInfo info = connection->query(probeSql(c.table, c.field));
    EXPECT_EQ(info.first_column_type, c.type) << c.table << " " << c.field;
    EXPECT_TRUE(info.eof) << c.table << " " << c.field;
  }
}

TEST_F(AddressBook, TheSystemsExactProbeTextRuns) {
  auto connection = openWorkbook(path_, true);
  const QueryInfo info = connection->query("SELECT [郵便番号]\r FROM [住所録$]\r WHERE 1=0\r");
  EXPECT_EQ(info.first_column_type, ado::adVarWChar);
  EXPECT_TRUE(info.eof);
}

TEST_F(AddressBook, ProbeOfAnUnknownFieldFailsWithTheDataSourcesText) {
  auto connection = openWorkbook(path_, true);
  try {
    connection->query(probeSql("住所録$", "番地"));
    FAIL() << "the probe of a missing field ran";
  } catch (const DatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("no such column: 番地"), std::string::npos) << e.what();
  }
  EXPECT_THROW(connection->query(probeSql("住所$", "郵便番号")), DatabaseError);
}

TEST_F(AddressBook, ValuesKeepTheirKind) {
  auto connection = openWorkbook(path_, true);
  // A text code keeps its leading zero; a numeric column compares as numbers.
  EXPECT_EQ(countRows(*connection, "住所録$", "[郵便番号] = '0600001'"), 1);
  EXPECT_EQ(countRows(*connection, "住所録$", "[郵便番号] = '600001'"), 0);
  EXPECT_EQ(countRows(*connection, "住所録$", "[コード] = 1000001"), 2);
  EXPECT_EQ(countRows(*connection, "住所録$", "[コード] = 600001"), 1);
  // In a text column a number reads as the text the cell shows.
  EXPECT_EQ(countRows(*connection, "住所録$", "[F5] = '5'"), 1);
  // An empty cell, styled or left out, is NULL.
  EXPECT_EQ(countRows(*connection, "住所録$", "[郵便番号] IS NULL"), 1);
  EXPECT_EQ(countRows(*connection, "住所録$", "[F5] IS NULL"), 3);
  EXPECT_EQ(countRows(*connection, "住所録$", "[都道府県] = '北海道'"), 1);
}

TEST_F(AddressBook, TextComparesWithoutLetterCaseAsTheDriverDoes) {
  auto connection = openWorkbook(path_, true);
  EXPECT_EQ(countRows(*connection, "住所録$", "[F5] = 'X'"), 1);
}

class HandMadeWorkbook : public ::testing::Test {
 protected:
  std::string write(const std::vector<SheetXml>& sheets, const test::PackageOptions& options = {}) {
    const std::string path = dir_.file("book.xlsx");
    writeZip(path, workbookPackage(sheets, options));
    return path;
  }
  TempDir dir_;
};

TEST_F(HandMadeWorkbook, SharedStringsJoinRichTextRunsAndSkipPhoneticRuns) {
  test::PackageOptions options;
  options.shared_strings =
      R"(<?xml version="1.0" encoding="UTF-8"?>)"
      R"(<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" count="5" uniqueCount="5">)"
      "<si><t>東京都</t></si>"
      "<si><r><rPr><b/></rPr><t>千代</t></r><r><t>田区</t></r>"
      "<rPh sb=\"0\" eb=\"3\"><t>チヨダク</t></rPh><phoneticPr fontId=\"1\"/></si>"
      "<si><t xml:space=\"preserve\"> 前後に空白 </t></si>"
      "<si><t>改行_x000D_あり</t></si>"
      "<si><t>100-0001</t></si>"
      "</sst>";
  const std::string path = write({{"Sheet1", worksheet(R"(<row r="1"><c r="A1" t="s"><v>0</v></c>)"
                                                       R"(<c r="B1" t="s"><v>1</v></c></row>)"
                                                       R"(<row r="2"><c r="A2" t="s"><v>2</v></c>)"
                                                       R"(<c r="B2" t="s"><v>3</v></c></row>)"
                                                       R"(<row r="3"><c r="A3" t="s"><v>4</v></c>)"
                                                       R"(</row>)")}},
                                 options);
  auto connection = openWorkbook(path, false);
  EXPECT_EQ(countRows(*connection, "Sheet1$", "[F1] = '東京都' AND [F2] = '千代田区'"), 1);
  EXPECT_EQ(countRows(*connection, "Sheet1$", "[F2] LIKE '%チヨダ%'"), 0);
  EXPECT_EQ(countRows(*connection, "Sheet1$", "[F1] = ' 前後に空白 '"), 1);
  EXPECT_EQ(countRows(*connection, "Sheet1$", "[F2] = '改行' || char(13) || 'あり'"), 1);
  EXPECT_EQ(countRows(*connection, "Sheet1$", "[F1] = '100-0001'"), 1);
}

TEST_F(HandMadeWorkbook, SparseCellsAndCellsWithoutReferences) {
  const std::string path = write(
      {{"Sparse",
        worksheet(R"(<row r="2"><c r="B2" t="inlineStr"><is><t>b2</t></is></c>)"
                  R"(<c r="AA2"><v>27</v></c></row>)"
                  // A row and cells without r follow the ones before them.
                  R"(<row><c t="inlineStr"><is><t>a3</t></is></c><c><v>2</v></c></row>)"
                  R"(<row r="12"><c r="AA12" t="inlineStr"><is><t>aa12</t></is></c></row>)")}});
  auto connection = openWorkbook(path, false);
  const auto fields = connection->columnNames("Sparse$");
  ASSERT_EQ(fields.size(), 27u);
  EXPECT_EQ(fields.back(), "F27");
  EXPECT_EQ(countRows(*connection, "Sparse$", "1=1"), 11);  // rows 2 to 12
  EXPECT_EQ(countRows(*connection, "Sparse$", "[F1] = 'a3' AND [F2] = '2'"), 1);
  EXPECT_EQ(countRows(*connection, "Sparse$", "[F2] = 'b2' AND [F1] IS NULL"), 1);
  EXPECT_EQ(countRows(*connection, "Sparse$", "[F27] = 'aa12'"), 1);
  EXPECT_EQ(countRows(*connection, "Sparse$", "[F27] = '27'"), 1);
  EXPECT_EQ(countRows(*connection, "Sparse$", "[F1] IS NULL AND [F2] IS NULL AND [F27] IS NULL"),
            8);
  EXPECT_EQ(connection->query(probeSql("Sparse$", "F3")).first_column_type, ado::adVarWChar);
}

TEST_F(HandMadeWorkbook, AbsoluteRelationshipTargetsAreFound) {
  test::PackageOptions options;
  options.absolute_targets = true;
  const std::string path = write(
      {{"一", worksheet(R"(<row r="1"><c r="A1"><v>1</v></c></row>)")},
       {"二", worksheet(R"(<row r="1"><c r="A1" t="inlineStr"><is><t>二</t></is></c></row>)")}},
      options);
  auto connection = openWorkbook(path, false);
  EXPECT_EQ(connection->tableNames(), (std::vector<std::string>{"一$", "二$"}));
  EXPECT_EQ(countRows(*connection, "二$", "[F1] = '二'"), 1);
}

TEST_F(HandMadeWorkbook, FormulaResultsBooleansAndErrors) {
  const std::string path =
      write({{"Calc", worksheet(R"(<row r="1"><c r="A1"><f>1+1</f><v>2</v></c>)"
                                R"(<c r="B1" t="str"><f>"a"&amp;"b"</f><v>ab</v></c>)"
                                R"(<c r="C1" t="b"><v>1</v></c>)"
                                R"(<c r="D1" t="e"><v>#N/A</v></c>)"
                                R"(<c r="E1"><v>0</v></c></row>)")}});
  auto connection = openWorkbook(path, false);
  EXPECT_EQ(connection->query(probeSql("Calc$", "F1")).first_column_type, ado::adDouble);
  EXPECT_EQ(countRows(*connection, "Calc$", "[F1] = 2 AND [F2] = 'ab' AND [F3] = 1"), 1);
  EXPECT_EQ(countRows(*connection, "Calc$", "[F4] IS NULL AND [F5] = 0"), 1);
}

TEST_F(HandMadeWorkbook, HeaderTextsBecomeUsableFieldNames) {
  const std::string path =
      write({{"Sheet1", worksheet(R"(<row r="1">)"
                                  R"(<c r="A1" t="inlineStr"><is><t>a.b</t></is></c>)"
                                  R"(<c r="B1" t="inlineStr"><is><t>コード</t></is></c>)"
                                  R"(<c r="C1" t="inlineStr"><is><t>コード</t></is></c>)"
                                  R"(<c r="E1" t="inlineStr"><is><t>[x]</t></is></c>)"
                                  R"(</row><row r="2"><c r="A2"><v>1</v></c></row>)")}});
  auto connection = openWorkbook(path, true);
  EXPECT_EQ(connection->columnNames("Sheet1$"),
            (std::vector<std::string>{"a#b", "コード", "F3", "F4", "(x)"}));
  EXPECT_EQ(countRows(*connection, "Sheet1$", "[a#b] = 1"), 1);
}

TEST_F(HandMadeWorkbook, PrefixedElementNamesAreRead) {
  const std::string sheet =
      R"(<x:worksheet xmlns:x="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
      R"(<x:sheetData><x:row r="1"><x:c r="A1" t="inlineStr"><x:is><x:t>abc</x:t></x:is></x:c>)"
      R"(<x:c r="B1"><x:v>7</x:v></x:c></x:row></x:sheetData></x:worksheet>)";
  auto connection = openWorkbook(write({{"Sheet1", sheet}}), false);
  EXPECT_EQ(countRows(*connection, "Sheet1$", "[F1] = 'abc' AND [F2] = 7"), 1);
}

TEST_F(HandMadeWorkbook, EmptyWorksheetIsATableWithOneField) {
  auto connection = openWorkbook(write({{"空", worksheet("")}}), true);
  EXPECT_EQ(connection->columnNames("空$"), (std::vector<std::string>{"F1"}));
  EXPECT_TRUE(connection->query(probeSql("空$", "F1")).eof);
}

}  // namespace
}  // namespace norvel
