// Number cells in a text field, read as their format shows them and kept numbers when replaced,
// and formula cells that a replacement must not turn into constants: through the real run,
// pair by pair and set-based, on books written by openpyxl.
#include <optional>
#include <tuple>

#include "catalog/pair_texts.h"
#include "engine/other_form_hints.h"
#include "engine/replacement_run.h"
#include "support/run_recorder.h"
#include "workbook_test_support.h"
#include "xlsx/cell_formats.h"
#include "xlsx/sheet_patch.h"
#include "xlsx/zip_archive.h"

namespace norvel::test {
namespace {

constexpr const char* kPostalFormat = "[<=999]000;[<=99999]000-00;000-0000";

TEST(DigitFormat, ShowsWholeNumbersAsExcelDoesAndRefusesWhatItCannotTellExactly) {
  const std::vector<std::tuple<std::string, double, std::optional<std::string>>> cases = {
      {"0000000", 600000, "0600000"},
      {"0000000", 0, "0000000"},
      {"0000000", 12345678, "12345678"},  // digits beyond the placeholders go to the first
      {"000-0000", 600000, "060-0000"},
      {"000\\-0000", 1000001, "100-0001"},
      {"000-0000", 12345678, "1234-5678"},
      {"\"〒\"000-0000", 1000001, "〒100-0001"},
      {"\\〒000-0000", 1000001, "〒100-0001"},
      {"[Red]0000000", 600000, "0600000"},
      {"0000000;-0000000;\"-\"0", 0, "-0"},  // the third section is for zero
      {"0000000;-0000000", 0, "0000000"},
      {kPostalFormat, 12, "012"},
      {kPostalFormat, 999, "999"},
      {kPostalFormat, 12345, "123-45"},
      {kPostalFormat, 600001, "060-0001"},
      {kPostalFormat, 1234567, "123-4567"},
      // Not whole, negative or beyond exact doubles: general format decides instead.
      {"0000000", 1.5, std::nullopt},
      {"0000000", -600000, std::nullopt},
      {"0000000", 1e15, std::nullopt},
  };
  for (const auto& [code, number, shown] : cases) {
    const auto format = xlsx::parseDigitFormat(code);
    ASSERT_TRUE(format) << code;
    EXPECT_EQ(xlsx::digitFormatText(*format, number), shown) << code << " " << number;
  }
  for (const std::string code :
       {"General", "0.00", "#,##0", "@", "yyyy/mm/dd", "0000000;", "000\"1\"0", "00\\10",
        "[$-411]000-0000", "000-0000_)", "[<=999]000;000-0000", "[<=999]000;[<=99999]000-00",
        "0000000;[<=9]0;0", "\"〒\"", "000\"-0000", "0 ?/?", "00%"}) {
    EXPECT_FALSE(xlsx::parseDigitFormat(code)) << code;
  }
}

using Recorder = norvel::testing::RunRecorder;

struct RunOfBook {
  Names lines;
  RunResult result;
  std::map<std::string, std::string> cells;  // as openpyxl reads the saved book
  Texts entries;                             // the saved book's entries, inflated
  std::string bytes;
};

class WorkbookFormatTest : public WorkbookTest {
 protected:
  // The pairs run on a fresh copy of the formats book, on 住所$.郵便番号.
  RunOfBook run(const std::vector<RunPair>& pairs, RunStrategy strategy) {
    const std::string path = book("formats");
    Recorder recorder;
    RunOptions options;
    options.strategy = strategy;
    RunResult result;
    {
      auto db = openWorkbook(path, true);
      result = runReplacement(*db, {"住所$", "郵便番号"}, pairs, recorder, options);
    }
    return {recorder.lines, result, cellsReadByOpenpyxl(path), zipEntries(path, 0),
            readBytes(path)};
  }

  // The same either way; the set-based statements applied when by_mapping says so.
  RunOfBook runBothWays(const std::vector<RunPair>& pairs, bool by_mapping) {
    RunOfBook per_pair = run(pairs, RunStrategy::perPair);
    RunOfBook automatic = run(pairs, RunStrategy::automatic);
    EXPECT_FALSE(per_pair.result.by_mapping);
    EXPECT_EQ(automatic.result.by_mapping, by_mapping);
    EXPECT_EQ(automatic.lines, per_pair.lines);
    EXPECT_EQ(automatic.result.counts, per_pair.result.counts);
    EXPECT_EQ(automatic.cells, per_pair.cells);
    // The bytes differ by the time a written entry is stamped with.
    EXPECT_TRUE(automatic.entries == per_pair.entries);
    return per_pair;
  }
};

TEST_F(WorkbookFormatTest, NumberCellsInATextFieldReadAsTheirFormatShowsThem) {
  auto db = openWorkbook(book("formats"), true);
  EXPECT_EQ(db->query(probeSql("住所$", "郵便番号")).first_column_type, ado::adVarWChar);
  for (const auto& [code, rows] : std::vector<std::pair<std::string, int>>{
           {"0600000", 1},   // 600000 in 0000000
           {"600000", 1},    // 600000 in General
           {"100-0001", 2},  // a text, and 1000001 in 000-0000
           {"1000001", 0},
           {"060-0001", 1},  // 600001 in Excel's postal code format
           {"600001", 0},
           {"100-0009", 1},  // a formula's cached text
           {"1.5", 1},       // not a whole number: as general format shows it
       }) {
    EXPECT_EQ(countRows(*db, "住所$", "[郵便番号] = '" + code + "'"), rows) << code;
  }
  // A pair that writes the code with the hyphen is told the form the cell shows.
  const auto hints =
      findOtherFormHints(*db, {"住所$", "郵便番号"}, {{"060-0000", "060-0003"}}, {0});
  ASSERT_EQ(hints.size(), 1u);
  EXPECT_THAT(otherFormHintText(hints[0], Language::japanese), HasSubstr("「0600000」"));
}

TEST_F(WorkbookFormatTest, ANumberCellGivenTheTextItsFormatShowsStaysANumberWithItsFormat) {
  const std::map<std::string, std::string> before = cellsReadByOpenpyxl(book("formats"));
  const std::vector<RunPair> pairs = {
      {"0600000", "0600003"},    // A3: 600003, still shown 0600003
      {"600000", "600004"},      // A4: General
      {"100-0001", "100-0005"},  // A2 stays a text, A5 becomes 1000005 in 000-0000
      {"060-0001", "0600006"},   // A6: its format shows 600006 as 060-0006: a text now
      {"1.5", "2.5"},            // A9
      {"0600002", "0600007"},    // A7: a text stays a text
      {"999-8888", "999-7777"},
  };
  const RunOfBook run = runBothWays(pairs, true);
  EXPECT_EQ(run.result.outcome, RunOutcome::committed);
  EXPECT_EQ(run.result.counts, (std::vector<std::int64_t>{1, 1, 2, 1, 1, 1, 0}));

  auto expected = before;
  expected["住所!A2"] = "s|100-0005||General|";
  expected["住所!A3"] = "n|600003||0000000|";
  expected["住所!A4"] = "n|600004||General|";
  expected["住所!A5"] = "n|1000005||000-0000|";
  expected["住所!A6"] = "s|0600006||" + std::string(kPostalFormat) + "|";
  expected["住所!A7"] = "s|0600007||General|";
  expected["住所!A9"] = "n|2.5||0000000|";
  EXPECT_EQ(run.cells, expected);

  // Read back, the book holds what the run left in the copy.
  const std::string path = file("formats.xlsx");
  auto reopened = openWorkbook(path, true);
  for (const auto& [code, rows] : std::vector<std::pair<std::string, int>>{
           {"0600003", 1}, {"600004", 1}, {"100-0005", 2}, {"0600006", 1}, {"2.5", 1}}) {
    EXPECT_EQ(countRows(*reopened, "住所$", "[郵便番号] = '" + code + "'"), rows) << code;
  }
  EXPECT_THAT(entryText(path, kSheet1), HasSubstr(R"(<c r="A3" s="1"><v>600003</v></c>)"));
}

TEST_F(WorkbookFormatTest, AFormulaCellMatchedByAPairRefusesTheRunNamingTheCell) {
  const std::string original = readBytes(book("formats"));
  const std::vector<RunPair> pairs = {
      {"100-0001", "100-0002"}, {"100-0009", "100-0010"}, {"999-8888", "999-7777"}};
  const RunOfBook run = runBothWays(pairs, false);
  EXPECT_EQ(run.result.outcome, RunOutcome::failed);
  ASSERT_TRUE(run.result.failure);
  EXPECT_EQ(run.result.failure->pair_index, 1u);
  EXPECT_EQ(run.result.failure->description,
            "セル 住所!A8 は変更できません。セルに数式が入っています。");
  EXPECT_EQ(run.lines, (Names{"0 100-0001->100-0002", "0 2", "1 100-0009->100-0010",
                              "1 failed: セル 住所!A8 は変更できません。セルに数式が入っています。",
                              "rolled back 2 after a failure"}));
  EXPECT_TRUE(run.bytes == original) << "the book was written";
}

TEST_F(WorkbookFormatTest, AFormulaCellThatNoPairMatchesLeavesTheRunGoing) {
  const std::string sheet_before = entryText(book("formats"), kSheet1);
  const std::vector<RunPair> pairs = {
      {"100-0001", "100-0002"}, {"0600002", "0600008"}, {"999-8888", "999-7777"}};
  const RunOfBook run = runBothWays(pairs, true);
  EXPECT_EQ(run.result.outcome, RunOutcome::committed);
  EXPECT_EQ(run.result.counts, (std::vector<std::int64_t>{2, 1, 0}));
  EXPECT_EQ(run.cells.at("住所!A8"), "f|=\"100-\"&\"0009\"||General|");
  const std::string formula_cell =
      R"(<c r="A8" t="str"><f>"100-"&amp;"0009"</f><v>100-0009</v></c>)";
  EXPECT_THAT(sheet_before, HasSubstr(formula_cell));
  EXPECT_THAT(entryText(file("formats.xlsx"), kSheet1), HasSubstr(formula_cell));
}

TEST_F(WorkbookTest, EveryFormulaCellOfAColumnIsRefusedByItsOwnName) {
  const std::string path = book("handmade", "column.xlsx");
  // Rows 1 and 2, 4 to 6 and 8 have formulas of their own, 6 and 7 are one array formula:
  // runs of rows, one overlapping the array, with values between them.
  std::map<int, std::string> formulas = {
      {1, "<f>1</f>"}, {2, "<f>2</f>"}, {4, "<f>4</f>"}, {5, "<f>5</f>"}, {8, "<f>8</f>"}};
  formulas[6] = R"(<f t="array" ref="A6:A7">{6;7}</f>)";
  std::string rows;
  for (int n = 1; n <= 9; ++n) {
    const std::string r = std::to_string(n);
    rows +=
        "<row r=\"" + r + "\"><c r=\"A" + r + "\">" + formulas[n] + "<v>" + r + "</v></c></row>";
  }
  writeZip(path, {{kSheet1,
                   "<worksheet xmlns=\"http://schemas.openxmlformats.org/"
                   "spreadsheetml/2006/main\"><sheetData>" +
                       rows + "</sheetData></worksheet>"}});
  const std::string bytes = readBytes(path);
  auto db = openWorkbook(path, false);
  db->beginTransaction();
  for (int n = 1; n <= 9; ++n) {
    const std::string r = std::to_string(n);
    const auto update = [&] {
      return db->execute(updateSql("Sheet1$", "F1", std::to_string(n + 100), " = " + r));
    };
    if (n == 3 || n == 9) {
      EXPECT_EQ(update(), 1) << n;
    } else if (n == 6 || n == 7) {
      EXPECT_THAT(update,
                  failsWith("セル Sheet1!A" + r +
                            " は変更できません。セルが配列数式、データテーブル、またはほかの"
                            "セルが使う共有数式に含まれています。"));
    } else {
      EXPECT_THAT(update,
                  failsWith("セル Sheet1!A" + r + " は変更できません。セルに数式が入っています。"));
    }
  }
  db->rollbackTransaction();
  EXPECT_TRUE(readBytes(path) == bytes);
}

TEST_F(WorkbookTest, AFormulaCellIsNeverWrittenOver) {
  const std::string path = book("formulas");
  const std::string bytes = readBytes(path);
  const xlsx::ZipArchive archive(bytes);
  xlsx::CellEdit edit;
  edit.position = {1, 2};  // B1, =A1*2
  edit.value.type = xlsx::CellValue::Type::number;
  edit.value.number = 3;
  EXPECT_THAT([&] { xlsx::planSheetPatch(kSheet1, *archive.open(kSheet1), {edit}); },
              failsWith(HasSubstr("のセル B1: 数式が入っているため書き換えられません")));
}

}  // namespace
}  // namespace norvel::test
