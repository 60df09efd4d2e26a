#include <filesystem>

#include "batch_fixture.h"

namespace norvel::batch::test {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

RunResult runSample(const std::vector<std::string>& args) {
  return runProgram(NORVEL_SAMPLE_PROGRAM, args);
}

class BatchSampleTest : public ::testing::Test {
 protected:
  BatchSampleTest() : csv_(dir_.file("postal.csv")), out_(dir_.file("out")) {
    // Code 0600001 has the most addresses, then 0600042; 0600002 is the next code after both.
    writeBytes(csv_,
               "郵便番号,都道府県,市区町村町域\n"
               "0600000,北海道,札幌市中央区\n"
               "0600001,北海道,札幌市中央区北一条西（１〜１９丁目）\n"
               "0600001,北海道,札幌市中央区北一条西（２０〜２８丁目）\n"
               "0600001,北海道,札幌市中央区北一条東\n"
               "0600042,北海道,札幌市中央区大通西（１〜１９丁目）\n"
               "0600042,北海道,札幌市中央区大通西（２０〜２８丁目）\n"
               "0600002,北海道,札幌市中央区北二条西\n"
               "0600043,北海道,札幌市中央区大通東\n");
  }

  std::string out(const std::string& name) const { return (fs::path(out_) / name).string(); }

  TempDir dir_;
  std::string csv_;
  std::string out_;
};

TEST_F(BatchSampleTest, BuildsTheDatabaseAndBothPairListsFromTheList) {
  const RunResult run = runSample({"--csv", csv_, "--out", out_, "--pairs", "2"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(listDirectory(out_),
            (std::vector<std::string>{"norvel-batch.csv", "norvel.csv", "sample.sqlite"}));
  EXPECT_EQ(queryRows(out("sample.sqlite"), "SELECT name FROM pragma_table_info('住所')"),
            "郵便番号\n都道府県\n市区町村町域");
  EXPECT_EQ(queryRows(out("sample.sqlite"),
                      "SELECT type FROM pragma_table_info('住所') WHERE name = '郵便番号'"),
            "TEXT");
  EXPECT_EQ(queryRows(out("sample.sqlite"), "SELECT count(*) FROM 住所"), "8");
  EXPECT_EQ(
      queryRows(out("sample.sqlite"), "SELECT 市区町村町域 FROM 住所 WHERE 郵便番号 = '0600043'"),
      "札幌市中央区大通東");

  // The two most shared codes, each to the next code that is not replaced itself.
  EXPECT_EQ(readBytes(out("norvel-batch.csv")), "0600001,0600002\r\n0600042,0600043\r\n");
  EXPECT_EQ(readBytes(out("norvel.csv")), readBytes(out("norvel-batch.csv")));

  const RunResult batch = runBatch({"--db", out("sample.sqlite"), "--table", "住所", "--field",
                                    "郵便番号", "--pairs", out("norvel-batch.csv")});
  EXPECT_EQ(batch.exit_code, 0) << batch.err;
  EXPECT_EQ(batch.out, progressLine("0600001", "0600002") + resultLine("3") +
                           progressLine("0600042", "0600043") + resultLine("2") +
                           "5件置換しました。\n");
}

TEST_F(BatchSampleTest, ExistingFilesAreKept) {
  fs::create_directories(out_);
  writeBytes(out("norvel.csv"), "edited by hand\r\n");
  ASSERT_EQ(runSample({"--csv", csv_, "--out", out_}).exit_code, 0);
  EXPECT_EQ(readBytes(out("norvel.csv")), "edited by hand\r\n");
  const FileStamp database = stampOf(out("sample.sqlite"));
  const FileStamp pairs = stampOf(out("norvel-batch.csv"));

  const RunResult again = runSample({"--csv", csv_, "--out", out_});
  EXPECT_EQ(again.exit_code, 0) << again.err;
  EXPECT_THAT(again.out, HasSubstr("kept"));
  EXPECT_EQ(stampOf(out("sample.sqlite")), database);
  EXPECT_EQ(stampOf(out("norvel-batch.csv")), pairs);
}

TEST_F(BatchSampleTest, BadListFailsAndLeavesNoFileBehind) {
  writeBytes(csv_, "郵便番号,都道府県,市区町村町域\n0600000,北海道\n");
  const RunResult bad = runSample({"--csv", csv_, "--out", out_});
  EXPECT_EQ(bad.exit_code, 1);
  EXPECT_EQ(bad.err, "norvel-sample: " + csv_ + ":2: 2 fields where the header has 3\n");
  EXPECT_TRUE(listDirectory(out_).empty());

  const RunResult missing = runSample({"--csv", dir_.file("none.csv"), "--out", out_});
  EXPECT_EQ(missing.exit_code, 1);
  EXPECT_EQ(missing.err,
            "norvel-sample: " + dir_.file("none.csv") + ": No such file or directory\n");
  EXPECT_TRUE(listDirectory(out_).empty());
}

TEST_F(BatchSampleTest, RealListGivesFivePairsOfItsMostSharedCodes) {
  if (!fs::exists(NORVEL_POSTAL_CSV)) GTEST_SKIP() << NORVEL_POSTAL_CSV << " is missing";
  const RunResult run = runSample({"--csv", NORVEL_POSTAL_CSV, "--out", out_});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(queryRows(out("sample.sqlite"), "SELECT count(*) FROM 住所"), "126431");
  const RunResult batch =
      runBatch({"--db", out("sample.sqlite"), "--table", "住所", "--field", "郵便番号", "--pairs",
                out("norvel-batch.csv"), "--dry-run", "--quiet"});
  EXPECT_EQ(batch.exit_code, 0) << batch.err;
  // 66 + 65 + 49 + 48 + 46 addresses share the five codes.
  EXPECT_EQ(batch.out, "dry run: 274件置換しました。 (rolled back, nothing changed)\n");
}

}  // namespace
}  // namespace norvel::batch::test
