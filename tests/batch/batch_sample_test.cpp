#include "batch_test_support.h"

namespace norvel::batch::test {
namespace {

class BatchSampleTest : public BatchTest {
 protected:
  RunResult sample(const std::string& csv, std::vector<std::string> more = {}) const {
    more.insert(more.begin(), {"--csv", csv, "--out", out_.string()});
    return runProgram(NORVEL_SAMPLE_PROGRAM, more);
  }
  RunResult batchOnSample(std::vector<std::string> more = {}) const {
    more.insert(more.begin(), {"--db", out("sample.sqlite"), "--table", "住所", "--field",
                               "郵便番号", "--pairs", out("norvel-batch.csv")});
    return batch(more);
  }
  std::string out(const std::string& name) const { return (out_ / name).string(); }

  fs::path out_ = dir_ / "out";
};

TEST_F(BatchSampleTest, BuildsTheDatabaseAndThePairListsOnlyWhereMissing) {
  // 0600001 has the most addresses, then 0600042; 0600002 is the next code after both.
  const std::string csv = file("postal.csv");
  writeBytes(csv,
             "郵便番号,都道府県,市区町村町域\n0600000,北海道,札幌市中央区\n"
             "0600001,北海道,北一条西（１〜１９丁目）\n0600001,北海道,北一条西（２０〜２８丁目）\n"
             "0600001,北海道,北一条東\n0600042,北海道,大通西（１〜１９丁目）\n"
             "0600042,北海道,大通西（２０〜２８丁目）\n0600002,北海道,北二条西\n"
             "0600043,北海道,大通東\n");
  const RunResult run = sample(csv, {"--pairs", "2"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(listDirectory(out_),
            (std::vector<std::string>{"norvel-batch.csv", "norvel.csv", "sample.sqlite"}));
  EXPECT_EQ(
      sql(out("sample.sqlite"),
          "SELECT name, type FROM pragma_table_info('住所');"
          "SELECT count(*) FROM 住所; SELECT 市区町村町域 FROM 住所 WHERE 郵便番号 = '0600043'"),
      "郵便番号|TEXT\n都道府県|TEXT\n市区町村町域|TEXT\n8\n大通東");
  // The two most shared codes, each to the next code that is not replaced itself.
  EXPECT_EQ(readBytes(out("norvel-batch.csv")), "0600001,0600002\r\n0600042,0600043\r\n");
  EXPECT_EQ(readBytes(out("norvel.csv")), readBytes(out("norvel-batch.csv")));
  const RunResult batch = batchOnSample();
  EXPECT_EQ(batch.exit_code, 0) << batch.err;
  EXPECT_EQ(batch.out, statusLines("0600001", "0600002", "3") +
                           statusLines("0600042", "0600043", "2") + "5件置換しました。\n");

  writeBytes(out("norvel.csv"), "edited by hand\r\n");
  fs::remove(out("norvel-batch.csv"));
  const auto database = stampOf(out("sample.sqlite"));
  const RunResult again = sample(csv, {"--pairs", "2"});
  EXPECT_EQ(again.exit_code, 0) << again.err;
  EXPECT_THAT(again.out, HasSubstr("kept " + out("sample.sqlite")));
  EXPECT_EQ(stampOf(out("sample.sqlite")), database);
  EXPECT_EQ(readBytes(out("norvel.csv")), "edited by hand\r\n");
  EXPECT_EQ(readBytes(out("norvel-batch.csv")), "0600001,0600002\r\n0600042,0600043\r\n");
}

// The sample stores 7-digit codes; a list typed with the hyphen matches nothing, and after the
// counts the user learns why. The status lines and the data are those of any run.
TEST_F(BatchSampleTest, APairWrittenWithTheHyphenIsToldTheFormTheFieldUses) {
  const std::string csv = file("postal.csv");
  writeBytes(csv,
             "郵便番号,都道府県,市区町村町域\n0600001,北海道,北一条西\n0600001,北海道,北一条東\n"
             "0600042,北海道,大通西\n");
  ASSERT_EQ(sample(csv, {"--pairs", "1"}).exit_code, 0);
  writeBytes(out("typed.csv"), "060-0001,060-0002\r\n0600042,0600043\r\n");
  const std::string before = readBytes(out("sample.sqlite"));
  const std::string hint =
      "No row matches pair 1 \"060-0001 -> 060-0002\"; the field holds its code as "
      "\"0600001\" (2 rows).\n";
  for (const bool dry_run : {true, false}) {
    std::vector<std::string> args = {"--db",    out("sample.sqlite"), "--table", "住所",
                                     "--field", "郵便番号",           "--pairs", out("typed.csv")};
    if (dry_run) args.push_back("--dry-run");
    const RunResult run = batch(args);
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.out, statusLines("060-0001", "060-0002", "0") +
                           statusLines("0600042", "0600043", "1") +
                           (dry_run ? "dry run: 1件置換しました。 (rolled back, nothing changed)\n"
                                    : "1件置換しました。\n"));
    EXPECT_THAT(run.err, EndsWith(hint)) << dry_run;
  }
  EXPECT_NE(readBytes(out("sample.sqlite")), before);
  EXPECT_EQ(sql(out("sample.sqlite"), "SELECT count(*) FROM 住所 WHERE 郵便番号 = '0600001'"), "2");
}

TEST_F(BatchSampleTest, UnreadableListFailsAndLeavesNoFileBehind) {
  writeBytes(file("short.csv"), "郵便番号,都道府県,市区町村町域\n0600000,北海道\n");
  for (const auto& [csv, reason] : std::vector<std::pair<std::string, std::string>>{
           {file("short.csv"), ":2: 2 fields where the header has 3"},
           {file("none.csv"), ": No such file or directory"}}) {
    const RunResult run = sample(csv);
    EXPECT_EQ(run.exit_code, 1) << reason;
    EXPECT_EQ(run.err, "norvel-sample: " + csv + reason + "\n");
    EXPECT_TRUE(listDirectory(out_).empty()) << reason;
  }
}

TEST_F(BatchSampleTest, RealListGivesFivePairsOfItsMostSharedCodes) {
  if (!fs::exists(NORVEL_POSTAL_CSV)) GTEST_SKIP() << NORVEL_POSTAL_CSV << " is missing";
  const RunResult run = sample(NORVEL_POSTAL_CSV);
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(sql(out("sample.sqlite"), "SELECT count(*) FROM 住所"), "126431");
  // 66 + 65 + 49 + 48 + 46 addresses share the five codes.
  const RunResult batch = batchOnSample({"--dry-run", "--quiet"});
  EXPECT_EQ(batch.exit_code, 0) << batch.err;
  EXPECT_EQ(batch.out, "dry run: 274件置換しました。 (rolled back, nothing changed)\n");
}

}  // namespace
}  // namespace norvel::batch::test
