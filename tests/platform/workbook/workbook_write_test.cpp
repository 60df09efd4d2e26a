#include <sys/stat.h>

#include <gtest/gtest.h>

#include "platform/workbook/workbook_layer.h"
#include "workbook_test_support.h"

namespace norvel {
namespace {

using test::cellsReadByOpenpyxl;
using test::countRows;
using test::rawEntries;
using test::readFile;
using test::TempDir;
using test::updateSql;

const char* const kUpdateText =
    "UPDATE [住所録$]\r SET [郵便番号] = '100-0002' WHERE [郵便番号] = '100-0001'";

struct timespec modificationTime(const std::string& path) {
  struct stat st {};
  ::stat(path.c_str(), &st);
  return st.st_mtim;
}

class WorkbookWrite : public ::testing::Test {
 protected:
  // Every entry but the named ones must come through as the very same compressed bytes.
  void expectEntriesKept(const std::map<std::string, test::RawEntry>& before,
                         const std::vector<std::string>& changed) {
    const auto after = rawEntries(path_);
    ASSERT_EQ(after.size(), before.size());
    for (const auto& [name, entry] : before) {
      ASSERT_EQ(after.count(name), 1u) << name;
      const bool expected_change = std::find(changed.begin(), changed.end(), name) != changed.end();
      EXPECT_EQ(after.at(name) == entry, !expected_change) << name;
    }
  }

  TempDir dir_;
  std::string path_ = test::writeAddressBook(dir_);
};

TEST_F(WorkbookWrite, CommitWritesOnlyTheChangedCells) {
  const auto cells_before = cellsReadByOpenpyxl(path_);
  const auto entries_before = rawEntries(path_);
  const auto names_before = test::entryNames(path_);
  const std::string sheet_before = test::entryText(path_, "xl/worksheets/sheet1.xml");
  const std::string bytes_before = readFile(path_);

  auto connection = openWorkbook(path_, true);
  connection->beginTransaction();
  EXPECT_EQ(connection->query("SELECT [郵便番号]\r FROM [住所録$]\r WHERE 1=0\r").first_column_type,
            ado::adVarWChar);
  EXPECT_EQ(connection->execute(kUpdateText), 2);
  EXPECT_EQ(readFile(path_), bytes_before) << "written before the commit";
  connection->commitTransaction();

  auto expected = cells_before;
  expected["住所録!A2"] = "s|100-0002|bold|General|00FFFF00";  // the style stays
  expected["住所録!A3"] = "s|100-0002||General|";
  EXPECT_EQ(cellsReadByOpenpyxl(path_), expected);

  // Inside the worksheet only the two cells' values changed, every other byte is the same.
  std::string sheet_expected = sheet_before;
  for (std::size_t at; (at = sheet_expected.find("<t>100-0001</t>")) != std::string::npos;) {
    sheet_expected.replace(at, 15, "<t>100-0002</t>");
  }
  EXPECT_EQ(test::entryText(path_, "xl/worksheets/sheet1.xml"), sheet_expected);
  expectEntriesKept(entries_before, {"xl/worksheets/sheet1.xml"});
  EXPECT_EQ(test::entryNames(path_), names_before);
  EXPECT_EQ(dir_.entries(), std::vector<std::string>{"住所録.xlsx"}) << "a temporary file is left";
}

TEST_F(WorkbookWrite, NumericFieldGetsNumbersAndKeepsTheNumberFormat) {
  auto connection = openWorkbook(path_, true);
  connection->beginTransaction();
  EXPECT_EQ(connection->query(test::probeSql("住所録$", "コード")).first_column_type,
            ado::adDouble);
  EXPECT_EQ(
      connection->execute("UPDATE [住所録$]\r SET [コード] = 1000009 WHERE [コード] = 1000001"), 2);
  connection->commitTransaction();
  const auto cells = cellsReadByOpenpyxl(path_);
  EXPECT_EQ(cells.at("住所録!D2"), "n|1000009||0000000|");
  EXPECT_EQ(cells.at("住所録!D3"), "n|1000009||General|");
  EXPECT_EQ(cells.at("住所録!D4"), "n|600001||General|");
}

TEST_F(WorkbookWrite, IsNullConditionFillsEmptyAndMissingCells) {
  auto connection = openWorkbook(path_, true);
  connection->beginTransaction();
  // A5 is an empty cell with a style; E4 to E6 are not in the XML at all.
  EXPECT_EQ(connection->execute(
                "UPDATE [住所録$]\r SET [郵便番号] = '530-0001' WHERE [郵便番号] IS NULL "),
            1);
  EXPECT_EQ(connection->execute(updateSql("住所録$", "F5", "'空'", " IS NULL ")), 3);
  connection->commitTransaction();

  const auto cells = cellsReadByOpenpyxl(path_);
  EXPECT_EQ(cells.at("住所録!A5"), "s|530-0001|italic|General|");
  for (const char* cell : {"住所録!E4", "住所録!E5", "住所録!E6"}) {
    EXPECT_EQ(cells.at(cell), "s|空||General|") << cell;
  }
  EXPECT_EQ(cells.at("住所録!E2"), "s|x||General|");
  EXPECT_EQ(cells.at("住所録!F5"), "s|空欄||General|");

  auto reopened = openWorkbook(path_, true);
  EXPECT_EQ(countRows(*reopened, "住所録$", "[F5] = '空'"), 3);
  EXPECT_EQ(countRows(*reopened, "住所録$", "[郵便番号] IS NULL"), 0);
}

TEST_F(WorkbookWrite, SettingNullRemovesTheValueAndKeepsTheStyle) {
  auto connection = openWorkbook(path_, true);
  EXPECT_EQ(connection->execute(updateSql("住所録$", "郵便番号", "NULL", " = '100-0001'")), 2);
  const auto cells = cellsReadByOpenpyxl(path_);
  EXPECT_EQ(cells.at("住所録!A2"), "n||bold|General|00FFFF00");
  EXPECT_EQ(cells.count("住所録!A3"), 0u);
  auto reopened = openWorkbook(path_, true);
  EXPECT_EQ(countRows(*reopened, "住所録$", "[郵便番号] IS NULL"), 3);
}

TEST_F(WorkbookWrite, RollbackLeavesTheFileAndTheDataAsTheyWere) {
  const std::string bytes_before = readFile(path_);
  const auto mtime_before = modificationTime(path_);
  auto connection = openWorkbook(path_, true);
  connection->beginTransaction();
  EXPECT_EQ(connection->execute(kUpdateText), 2);
  EXPECT_EQ(countRows(*connection, "住所録$", "[郵便番号] = '100-0002'"), 3);
  connection->rollbackTransaction();

  EXPECT_EQ(readFile(path_), bytes_before);
  EXPECT_EQ(modificationTime(path_).tv_nsec, mtime_before.tv_nsec);
  EXPECT_EQ(countRows(*connection, "住所録$", "[郵便番号] = '100-0001'"), 2);
  // Committing an empty transaction afterwards writes nothing either.
  connection->beginTransaction();
  connection->commitTransaction();
  EXPECT_EQ(readFile(path_), bytes_before);
}

TEST_F(WorkbookWrite, ClosingWithAnOpenTransactionWritesNothing) {
  const std::string bytes_before = readFile(path_);
  {
    auto connection = openWorkbook(path_, true);
    connection->beginTransaction();
    connection->execute(kUpdateText);
  }
  EXPECT_EQ(readFile(path_), bytes_before);
}

TEST_F(WorkbookWrite, ExecuteOutsideATransactionWritesAtOnce) {
  auto connection = openWorkbook(path_, false);
  EXPECT_EQ(connection->execute("UPDATE [Sheet2$]\r SET [F1] = '100-0004' WHERE [F1] = '100-0003'"),
            1);
  EXPECT_EQ(cellsReadByOpenpyxl(path_).at("Sheet2!A2"), "s|100-0004||General|");
  // The same connection goes on writing over its own new file.
  EXPECT_EQ(connection->execute("UPDATE [Sheet2$]\r SET [F2] = NULL WHERE [F2] = 1000003"), 1);
  EXPECT_EQ(cellsReadByOpenpyxl(path_).count("Sheet2!B2"), 0u);
}

TEST_F(WorkbookWrite, AnUpdateThatChangesNoValueLeavesTheFileUntouched) {
  const std::string bytes_before = readFile(path_);
  const auto mtime_before = modificationTime(path_);
  auto connection = openWorkbook(path_, true);
  // Matched rows are counted although their value stays.
  EXPECT_EQ(connection->execute(updateSql("住所録$", "郵便番号", "'100-0001'", " = '100-0001'")),
            2);
  EXPECT_EQ(connection->execute(updateSql("住所録$", "郵便番号", "'100-0009'", " = '999-9999'")),
            0);
  EXPECT_EQ(readFile(path_), bytes_before);
  EXPECT_EQ(modificationTime(path_).tv_sec, mtime_before.tv_sec);
  EXPECT_EQ(modificationTime(path_).tv_nsec, mtime_before.tv_nsec);
}

TEST_F(WorkbookWrite, OnlyCellsWhoseValueEndsDifferentAreWritten) {
  std::string sheet_expected = test::entryText(path_, "xl/worksheets/sheet1.xml");
  const std::string a6 = R"(<c r="A6" t="inlineStr"><is><t>100-0002</t></is></c>)";
  const auto at = sheet_expected.find(a6);
  ASSERT_NE(at, std::string::npos);
  sheet_expected.replace(at, a6.size(), R"(<c r="A6" t="inlineStr"><is><t>100-0001</t></is></c>)");
  auto connection = openWorkbook(path_, true);
  connection->beginTransaction();
  connection->execute(kUpdateText);
  connection->execute(updateSql("住所録$", "郵便番号", "'100-0001'", " = '100-0002'"));
  EXPECT_EQ(countRows(*connection, "住所録$", "[郵便番号] = '100-0001'"), 3);
  connection->commitTransaction();
  // Rows 2 and 3 are back to their value and keep their XML; row 6 held 100-0002 before.
  EXPECT_EQ(test::entryText(path_, "xl/worksheets/sheet1.xml"), sheet_expected);
  const auto cells = cellsReadByOpenpyxl(path_);
  EXPECT_EQ(cells.at("住所録!A6"), "s|100-0001||General|");
  EXPECT_EQ(cells.at("住所録!A2"), "s|100-0001|bold|General|00FFFF00");
}

TEST_F(WorkbookWrite, LetterCaseChangesAreChanges) {
  auto connection = openWorkbook(path_, true);
  EXPECT_EQ(connection->execute(updateSql("住所録$", "F5", "'X'", " = 'x'")), 1);
  EXPECT_EQ(cellsReadByOpenpyxl(path_).at("住所録!E2"), "s|X||General|");
}

TEST_F(WorkbookWrite, SeveralSheetsInOneCommitAndAFurtherCommit) {
  const auto entries_before = rawEntries(path_);
  auto connection = openWorkbook(path_, false);
  connection->beginTransaction();
  EXPECT_EQ(connection->execute(updateSql("住所録$", "F1", "'060-0001'", " = '0600001'")), 1);
  EXPECT_EQ(connection->execute(updateSql("Sheet2$", "F1", "'060-0001'", " = '0600001'")), 1);
  connection->commitTransaction();
  // openpyxl's workbook asks for a full recalculation already, so workbook.xml stays too.
  expectEntriesKept(entries_before, {"xl/worksheets/sheet1.xml", "xl/worksheets/sheet2.xml"});

  connection->beginTransaction();
  EXPECT_EQ(connection->execute(updateSql("Sheet2$", "F2", "600002", " = 600001")), 1);
  connection->commitTransaction();
  const auto cells = cellsReadByOpenpyxl(path_);
  EXPECT_EQ(cells.at("住所録!A4"), "s|060-0001||General|");
  EXPECT_EQ(cells.at("Sheet2!A3"), "s|060-0001||General|");
  EXPECT_EQ(cells.at("Sheet2!B3"), "n|600002||General|");
  EXPECT_EQ(cells.at("集計!B2"), "f|=A2*2||General|");
}

TEST_F(WorkbookWrite, TextWithBlanksAndMarkupCharactersRoundTrips) {
  auto connection = openWorkbook(path_, false);
  const std::string value = " a&b<c>\"d\" ";
  EXPECT_EQ(connection->execute(updateSql("Sheet2$", "F1", "'" + value + "'", " = '100-0003'")), 1);
  EXPECT_EQ(connection->execute(
                updateSql("Sheet2$", "F1", "'改行' || char(13) || 'あり'", " = '100-0001'")),
            1);
  EXPECT_EQ(cellsReadByOpenpyxl(path_).at("Sheet2!A2"), "s|" + value + "||General|");
  auto reopened = openWorkbook(path_, false);
  EXPECT_EQ(countRows(*reopened, "Sheet2$", "[F1] = '" + value + "'"), 1);
  EXPECT_EQ(countRows(*reopened, "Sheet2$", "[F1] = '改行' || char(13) || 'あり'"), 1);
}

class HandMadeWrite : public ::testing::Test {
 protected:
  TempDir dir_;
  std::string path_ = dir_.file("book.xlsx");
};

TEST_F(HandMadeWrite, SharedStringCellBecomesAnInlineStringAndTheTableStays) {
  test::PackageOptions options;
  options.shared_strings =
      R"(<?xml version="1.0" encoding="UTF-8"?>)"
      R"(<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" count="3" uniqueCount="2">)"
      "<si><t>100-0001</t></si>"
      "<si><r><rPr><b/></rPr><t>千代</t></r><r><t>田区</t></r>"
      "<rPh sb=\"0\" eb=\"3\"><t>チヨダク</t></rPh></si></sst>";
  test::writeZip(path_, test::workbookPackage(
                            {{"Sheet1", test::worksheet(R"(<row r="1" spans="1:2">)"
                                                        R"(<c r="A1" s="1" t="s"><v>0</v></c>)"
                                                        R"(<c r="B1" t="s"><v>1</v></c></row>)"
                                                        R"(<row r="2"><c r="A2" t="s"><v>0</v></c>)"
                                                        R"(</row>)")}},
                            options));
  const auto entries_before = rawEntries(path_);
  auto connection = openWorkbook(path_, false);
  EXPECT_EQ(connection->execute(updateSql("Sheet1$", "F1", "'100-0002'", " = '100-0001'")), 2);

  const std::string sheet = test::entryText(path_, "xl/worksheets/sheet1.xml");
  EXPECT_NE(sheet.find(R"(<c r="A1" s="1" t="inlineStr"><is><t>100-0002</t></is></c>)"),
            std::string::npos)
      << sheet;
  const auto after = rawEntries(path_);
  EXPECT_EQ(after.at("xl/sharedStrings.xml"), entries_before.at("xl/sharedStrings.xml"));
  const auto cells = cellsReadByOpenpyxl(path_);
  EXPECT_EQ(cells.at("Sheet1!A1"), "s|100-0002|bold|@|");
  EXPECT_EQ(cells.at("Sheet1!A2"), "s|100-0002||General|");
  EXPECT_EQ(cells.at("Sheet1!B1"), "s|千代田区||General|");
}

TEST_F(HandMadeWrite, MissingRowsAreInsertedInOrder) {
  test::writeZip(path_,
                 test::workbookPackage(
                     {{"Sheet1", test::worksheet(R"(<row r="1"><c r="A1"><v>1</v></c></row>)"
                                                 R"(<row r="4"><c r="B4"><v>4</v></c></row>)")}}));
  auto connection = openWorkbook(path_, false);
  EXPECT_EQ(connection->execute(updateSql("Sheet1$", "F1", "9", " IS NULL ")), 3);
  const auto cells = cellsReadByOpenpyxl(path_);
  for (const char* cell : {"Sheet1!A2", "Sheet1!A3", "Sheet1!A4"}) {
    EXPECT_EQ(cells.at(cell), "n|9||General|") << cell;
  }
  EXPECT_EQ(cells.at("Sheet1!A1"), "n|1||General|");
  EXPECT_EQ(cells.at("Sheet1!B4"), "n|4||General|");
  EXPECT_EQ(test::entryText(path_, "xl/worksheets/sheet1.xml"),
            test::worksheet(R"(<row r="1"><c r="A1"><v>1</v></c></row>)"
                            R"(<row r="2"><c r="A2"><v>9</v></c></row>)"
                            R"(<row r="3"><c r="A3"><v>9</v></c></row>)"
                            R"(<row r="4"><c r="A4"><v>9</v></c><c r="B4"><v>4</v></c></row>)"));
}

TEST_F(HandMadeWrite, PrefixedWorksheetGetsPrefixedCells) {
  const std::string sheet =
      R"(<x:worksheet xmlns:x="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
      R"(<x:sheetData><x:row r="1"><x:c r="A1" t="inlineStr"><x:is><x:t>abc</x:t></x:is></x:c>)"
      R"(</x:row><x:row r="2"><x:c r="B2"><x:v>1</x:v></x:c></x:row></x:sheetData></x:worksheet>)";
  test::writeZip(path_, test::workbookPackage({{"Sheet1", sheet}}));
  auto connection = openWorkbook(path_, false);
  EXPECT_EQ(connection->execute(updateSql("Sheet1$", "F1", "'xyz'", " IS NULL ")), 1);
  EXPECT_EQ(connection->execute(updateSql("Sheet1$", "F1", "'def'", " = 'abc'")), 1);
  const std::string written = test::entryText(path_, "xl/worksheets/sheet1.xml");
  EXPECT_NE(written.find(R"(<x:c r="A2" t="inlineStr"><x:is><x:t>xyz</x:t></x:is></x:c>)"),
            std::string::npos)
      << written;
  const auto cells = cellsReadByOpenpyxl(path_);
  EXPECT_EQ(cells.at("Sheet1!A1"), "s|def||General|");
  EXPECT_EQ(cells.at("Sheet1!A2"), "s|xyz||General|");
}

TEST_F(HandMadeWrite, StoredEntriesStayStored) {
  auto entries = test::workbookPackage(
      {{"Sheet1", test::worksheet(R"(<row r="1"><c r="A1"><v>1</v></c></row>)")}});
  for (auto& entry : entries) entry.stored = true;
  test::writeZip(path_, entries);
  auto connection = openWorkbook(path_, false);
  EXPECT_EQ(connection->execute(updateSql("Sheet1$", "F1", "2", " = 1")), 1);
  EXPECT_EQ(rawEntries(path_).at("xl/worksheets/sheet1.xml").method, 0);
  EXPECT_EQ(cellsReadByOpenpyxl(path_).at("Sheet1!A1"), "n|2||General|");
}

}  // namespace
}  // namespace norvel
