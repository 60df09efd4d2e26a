#include <tuple>

#include "workbook_test_support.h"

namespace norvel::test {
namespace {

const std::string kSheet2 = "xl/worksheets/sheet2.xml";

TEST_F(WorkbookTest, CommitWritesOnlyTheCellsWhoseValueChangedAndKeepsTheRest) {
  // A Japanese name in a Japanese folder, as Windows users keep them.
  const std::string path = book("addresses", "郵便/住所録.xlsx");
  const auto cells_before = cellsReadByOpenpyxl(path);
  const auto entries_before = zipEntries(path);
  const std::string sheet1 = entryText(path, kSheet1);
  const std::string sheet2 = entryText(path, kSheet2);
  const std::string bytes_before = readBytes(path);

  auto db = openWorkbook(path, true);
  db->beginTransaction();
  // B5 goes to 京都府 and back, so it keeps openpyxl's character references; a change of
  // letter case is a change.
  EXPECT_EQ(db->execute(updateSql("住所録$", "都道府県", "'京都府'", " = '大阪府'")), 1);
  EXPECT_EQ(db->execute(updateSql("住所録$", "都道府県", "'大阪府'", " = '京都府'")), 1);
  EXPECT_EQ(db->execute(kUpdateText), 2);
  EXPECT_EQ(db->execute(updateSql("住所録$", "コード", "1000009", " = 1000001")), 2);
  EXPECT_EQ(db->execute(updateSql("住所録$", "F5", "'X'", " = 'x'")), 1);
  EXPECT_EQ(db->execute(updateSql("Sheet2$", "100-0001", "' a&b<c>\"d\" '", " = '100-0003'")), 1);
  EXPECT_EQ(
      db->execute(updateSql("Sheet2$", "100-0001", "'改行' || char(13) || 'あり'", " = '0600001'")),
      1);
  EXPECT_EQ(readBytes(path), bytes_before) << "written before the commit";
  db->commitTransaction();

  EXPECT_EQ(
      entryText(path, kSheet1),
      replaced(sheet1, {{"<t>100-0001</t>", "<t>100-0002</t>"},
                        {"<t>100-0001</t>", "<t>100-0002</t>"},
                        {R"(<c r="D2" s="2" t="n"><v>1000001)", R"(<c r="D2" s="2"><v>1000009)"},
                        {R"(<c r="D3" t="n"><v>1000001)", R"(<c r="D3"><v>1000009)"},
                        {"<t>x</t>", "<t>X</t>"}}));
  EXPECT_EQ(
      entryText(path, kSheet2),
      replaced(sheet2, {{"<t>100-0003</t>", R"(<t xml:space="preserve"> a&amp;b&lt;c&gt;"d" </t>)"},
                        {"<t>0600001</t>", "<t>改行_x000D_あり</t>"}}));
  // openpyxl's workbook asks for recalculation already: workbook.xml stays too.
  EXPECT_EQ(changedEntries(entries_before, zipEntries(path)), (Names{kSheet1, kSheet2}));
  EXPECT_EQ(std::distance(fs::directory_iterator(utf8Path(path).parent_path()), {}), 1)
      << "a temporary file is left";

  // Outside a transaction each statement is written at once, over the connection's own new
  // file. A5 is an empty styled cell; E4 to E6 are not in the XML at all.
  EXPECT_EQ(db->execute(updateSql("住所録$", "郵便番号", "'530-0001'", " IS NULL ")), 1);
  EXPECT_EQ(db->execute(updateSql("住所録$", "F5", "'空'", " IS NULL ")), 3);
  EXPECT_EQ(db->execute(updateSql("住所録$", "郵便番号", "NULL", " = '100-0002'")), 3);
  auto expected = cells_before;
  expected["住所録!A2"] = "n||bold|General|00FFFF00";  // styles and formats stay
  expected["住所録!A5"] = "s|530-0001|italic|General|";
  expected["住所録!D2"] = "n|1000009||0000000|";
  expected["住所録!D3"] = "n|1000009||General|";
  expected["住所録!E2"] = "s|X||General|";
  expected["住所録!E4"] = expected["住所録!E5"] = expected["住所録!E6"] = "s|空||General|";
  expected["Sheet2!A2"] = "s| a&b<c>\"d\" ||General|";
  expected["Sheet2!A3"] = "s|改行_x000D_あり||General|";  // openpyxl keeps the escape
  expected.erase("住所録!A3");
  expected.erase("住所録!A6");
  EXPECT_EQ(cellsReadByOpenpyxl(path), expected);
  auto reopened = openWorkbook(path, true);
  EXPECT_EQ(countRows(*reopened, "Sheet2$", "[100-0001] = '改行' || char(13) || 'あり'"), 1);
  EXPECT_EQ(countRows(*reopened, "住所録$", "[郵便番号] IS NULL"), 3);
}

TEST_F(WorkbookTest, RollbackCloseAndUpdatesThatChangeNothingLeaveTheFileAlone) {
  const std::string path = book("addresses");
  const std::string bytes_before = readBytes(path);
  const auto modified_before = fs::last_write_time(utf8Path(path));
  auto db = openWorkbook(path, true);
  db->beginTransaction();
  EXPECT_EQ(db->execute(kUpdateText), 2);
  EXPECT_EQ(countRows(*db, "住所録$", "[郵便番号] = '100-0002'"), 3);
  db->rollbackTransaction();
  EXPECT_EQ(countRows(*db, "住所録$", "[郵便番号] = '100-0001'"), 2);
  db->beginTransaction();
  db->commitTransaction();
  // Matched rows are counted although their value stays.
  EXPECT_EQ(db->execute(updateSql("住所録$", "郵便番号", "'100-0001'", " = '100-0001'")), 2);
  db->beginTransaction();
  db->execute(kUpdateText);
  db.reset();  // closed with the transaction open
  EXPECT_EQ(readBytes(path), bytes_before);
  EXPECT_EQ(fs::last_write_time(utf8Path(path)), modified_before);
}

TEST_F(WorkbookTest, HandMadeCellsBecomeInlineStringsAndMissingRowsAreInsertedInOrder) {
  const std::string path = book("handmade");
  const auto entries_before = zipEntries(path);
  const std::string sheet4 = entryText(path, "xl/worksheets/sheet4.xml");
  auto db = openWorkbook(path, false);
  db->beginTransaction();
  EXPECT_EQ(db->execute(updateSql("Sheet1$", "F1", "'100-0002'", " = '100-0001'")), 2);
  EXPECT_EQ(db->execute(updateSql("Sheet3$", "F1", "'xyz'", " IS NULL ")), 1);
  EXPECT_EQ(db->execute(updateSql("Sheet4$", "F1", "9", " IS NULL ")), 3);
  db->commitTransaction();

  // The shared strings stay as they were; stored entries stay stored.
  EXPECT_EQ(
      changedEntries(entries_before, zipEntries(path)),
      (Names{kSheet1, "xl/worksheets/sheet3.xml", "xl/worksheets/sheet4.xml", "xl/workbook.xml"}));
  EXPECT_THAT(entryText(path, kSheet1),
              HasSubstr(R"(<c r="A1" s="1" t="inlineStr"><is><t>100-0002</t></is></c>)"));
  EXPECT_THAT(entryText(path, "xl/worksheets/sheet3.xml"),
              HasSubstr(R"(<x:c r="A2" t="inlineStr"><x:is><x:t>xyz</x:t></x:is></x:c>)"));
  EXPECT_EQ(entryText(path, "xl/worksheets/sheet4.xml"),
            replaced(sheet4, {{R"(<row r="4"><c r="B4">)",
                               R"(<row r="2"><c r="A2"><v>9</v></c></row>)"
                               R"(<row r="3"><c r="A3"><v>9</v></c></row>)"
                               R"(<row r="4"><c r="A4"><v>9</v></c><c r="B4">)"}}));
  const auto cells = cellsReadByOpenpyxl(path);
  EXPECT_EQ(cells.at("Sheet1!A1"), "s|100-0002|bold|@|");
  EXPECT_EQ(cells.at("Sheet1!A2"), "s|100-0002||General|");
  EXPECT_EQ(cells.at("Sheet1!B1"), "s|千代田区||General|");
  EXPECT_EQ(cells.at("Sheet3!A2"), "s|xyz||General|");
  EXPECT_EQ(cells.at("Sheet4!A3"), "n|9||General|");
}

TEST_F(WorkbookTest, FormulasAskForRecalculationAndAFormulaCellRefusesAChangeNamingIt) {
  const std::string path = book("formulas");
  const auto entries_before = zipEntries(path);
  const auto cells_before = cellsReadByOpenpyxl(path);
  auto db = openWorkbook(path, false);
  EXPECT_EQ(db->execute(updateSql("Sheet1$", "F1", "6", " = 5")), 1);
  EXPECT_EQ(changedEntries(entries_before, zipEntries(path)), (Names{kSheet1, "xl/workbook.xml"}));
  EXPECT_THAT(entryText(path, "xl/workbook.xml"),
              HasSubstr(R"(<calcPr calcId="1" fullCalcOnLoad="1"/>)"));

  db->beginTransaction();
  const std::string array =
      " は変更できません。セルが配列数式、データテーブル、またはほかのセルが使う共有数式に含まれて"
      "います。";
  const std::string formula = " は変更できません。セルに数式が入っています。";
  for (const auto& [field, condition, message] :
       std::vector<std::tuple<std::string, std::string, std::string>>{
           {"F2", " = 10", "セル Sheet1!B1" + formula},  // a formula of its own
           {"F3", " = 10", "セル Sheet1!C1" + array},    // an array formula's cells
           {"F3", " = 14", "セル Sheet1!C2" + array},
           {"F4", " = 6", "セル Sheet1!D1" + array},    // the anchor of a shared formula
           {"F4", " = 8", "セル Sheet1!D2" + formula},  // a cell that follows it
           {"F2", " IN (1, 10)", "セル Sheet1!B1" + formula},
       }) {
    EXPECT_THAT([&] { db->execute(updateSql("Sheet1$", field, "0", condition)); },
                failsWith(message))
        << field << condition;
  }
  // The refused statement changed nothing, not even B2 beside the formula; the transaction
  // goes on.
  EXPECT_EQ(countRows(*db, "Sheet1$", "[F2] = 1"), 1);
  EXPECT_EQ(db->execute(updateSql("Sheet1$", "F2", "20", " = 1")), 1);
  db->commitTransaction();

  // The formulas stay, and so does the calculation chain.
  EXPECT_EQ(changedEntries(entries_before, zipEntries(path)), (Names{kSheet1, "xl/workbook.xml"}));
  auto expected = cells_before;
  expected["Sheet1!A1"] = "n|6||General|";
  expected["Sheet1!B2"] = "n|20||General|";
  EXPECT_EQ(cellsReadByOpenpyxl(path), expected);
}

}  // namespace
}  // namespace norvel::test
