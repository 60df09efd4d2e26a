#include <cstdlib>

#include "batch_fixture.h"

namespace norvel::batch::test {
namespace {

using ::testing::HasSubstr;

// Workbooks are written and read back by openpyxl, not by the code under test.
class BatchWorkbookTest : public BatchSqliteTest {
 protected:
  void SetUp() override {
    const std::string python = NORVEL_PYTHON3;
    const bool ci = std::getenv("CI") != nullptr && std::string(std::getenv("CI")) == "true";
    if (python.empty() || runProgram(python, {"-c", "import openpyxl"}).exit_code != 0) {
      if (ci) FAIL() << "python3 with openpyxl is required (python3-openpyxl)";
      GTEST_SKIP() << "python3 with openpyxl is not installed";
    }
    book_ = dir_.file("住所録.xlsx");
    python3({"-c",
             "import openpyxl, sys\n"
             "wb = openpyxl.Workbook()\n"
             "ws = wb.active\n"
             "ws.title = 'Sheet1'\n"
             "for row in [('郵便番号', '町域'), ('100-0001', '千代田'), ('100-0001', '皇居外苑'),\n"
             "            ('100-0003', '一ツ橋'), ('100-0004', '大手町')]:\n"
             "    ws.append(row)\n"
             "wb.create_sheet('メモ').append(['100-0001'])\n"
             "wb.save(sys.argv[1])\n",
             book_});
  }

  std::string python3(const std::vector<std::string>& args) const {
    const RunResult run = runProgram(NORVEL_PYTHON3, args);
    EXPECT_EQ(run.exit_code, 0) << run.err;
    return run.out;
  }

  // Column A of a sheet, one value a line.
  std::string columnA(const std::string& sheet) const {
    return python3({"-c",
                    "import openpyxl, sys\n"
                    "ws = openpyxl.load_workbook(sys.argv[1])[sys.argv[2]]\n"
                    "print('\\n'.join(str(r[0].value) for r in ws.iter_rows()))\n",
                    book_, sheet});
  }

  std::string book_;
};

TEST_F(BatchWorkbookTest, WorkbookRunReplacesTheCellsOfTheSheet) {
  const RunResult run =
      runBatch({"--xls", book_, "--table", "Sheet1$", "--field", "郵便番号", "--pairs", pairs_});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out, standardStatus() + "3件置換しました。\n");
  EXPECT_EQ(columnA("Sheet1"), "郵便番号\n100-0091\n100-0091\n100-0093\n100-0004\n");
  EXPECT_EQ(columnA("メモ"), "100-0001\n");
}

TEST_F(BatchWorkbookTest, DryRunLeavesTheWorkbookAsItWas) {
  const FileStamp before = stampOf(book_);
  const RunResult run = runBatch({"--xls", book_, "--table", "Sheet1$", "--field", "郵便番号",
                                  "--pairs", pairs_, "--dry-run"});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out,
            standardStatus() + "dry run: 3件置換しました。 (rolled back, nothing changed)\n");
  EXPECT_EQ(stampOf(book_), before);
}

TEST_F(BatchWorkbookTest, WithoutHeaderTheFieldsAreNumberedAndRowOneIsData) {
  const RunResult unknown = runBatch({"--xls", book_, "--no-header", "--table", "Sheet1$",
                                      "--field", "郵便番号", "--pairs", pairs_});
  EXPECT_EQ(unknown.exit_code, 2);
  EXPECT_EQ(unknown.err,
            "norvel-batch: no field \"郵便番号\" in table \"Sheet1$\"; its fields are:\n"
            "  F1\n  F2\n");

  writePairs("\x97\x58\x95\xd6\x94\xd4\x8d\x86,\x81\xa7\r\n");  // 郵便番号,〒 in code page 932
  const RunResult run = runBatch(
      {"--xls", book_, "--no-header", "--table", "Sheet1$", "--field", "F1", "--pairs", pairs_});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out, progressLine("郵便番号", "〒") + resultLine("1") + "1件置換しました。\n");
  EXPECT_THAT(columnA("Sheet1"), ::testing::StartsWith("〒\n100-0001\n"));
}

TEST_F(BatchWorkbookTest, UnknownSheetListsTheSheetsAsTables) {
  const RunResult run =
      runBatch({"--xls", book_, "--table", "Sheet1", "--field", "郵便番号", "--pairs", pairs_});
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_THAT(run.err, HasSubstr("  Sheet1$\n"));
  EXPECT_THAT(run.err, HasSubstr("  メモ$\n"));
}

}  // namespace
}  // namespace norvel::batch::test
