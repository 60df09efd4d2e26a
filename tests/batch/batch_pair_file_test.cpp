#include <filesystem>

#include "batch_fixture.h"

namespace norvel::batch::test {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

// A copy of norvel-batch in a folder of its own, where it looks for norvel-batch.csv.
class InstalledBatch {
 public:
  explicit InstalledBatch(const fs::path& dir) : dir_(dir), program_(dir / "norvel-batch") {
    fs::create_directories(dir_);
    fs::copy_file(batchProgram(), program_);
    fs::permissions(program_, fs::perms::owner_all);
  }
  RunResult run(const std::vector<std::string>& args) const {
    return runProgram(program_.string(), args, {{"NORVEL_PASSWORD", std::nullopt}});
  }
  std::string defaultPairFile() const { return (dir_ / "norvel-batch.csv").string(); }
  const fs::path& dir() const { return dir_; }

 private:
  fs::path dir_;
  fs::path program_;
};

class BatchPairFileTest : public BatchSqliteTest {
 protected:
  std::vector<std::string> targetArgs() const {
    return {"--db", db_, "--table", "住所", "--field", "郵便番号"};
  }
};

TEST_F(BatchPairFileTest, MissingPairsFileExitsTwoBeforeConnecting) {
  const std::string missing = dir_.file("none.csv");
  auto args = targetArgs();
  args.insert(args.end(), {"--pairs", missing});
  const FileStamp before = stampOf(db_);
  const RunResult run = runBatch(args);
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "norvel-batch: cannot read the pair list file " + missing +
                         ": No such file or directory\n");
  EXPECT_EQ(stampOf(db_), before);
  EXPECT_FALSE(fs::exists(missing));
}

TEST_F(BatchPairFileTest, FolderAsPairsFileExitsTwo) {
  auto args = targetArgs();
  args.insert(args.end(), {"--pairs", dir_.path().string()});
  const RunResult run = runBatch(args);
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_THAT(run.err, HasSubstr(": Is a directory\n"));
}

TEST_F(BatchPairFileTest, PairsFileWithoutPairsExitsTwo) {
  writePairs(",100-0001\r\n\r\n");
  const RunResult run = runBatch(dbArgs());
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_EQ(run.err, "norvel-batch: the pair list file " + pairs_ + " holds no pairs\n");
}

TEST_F(BatchPairFileTest, CodePage932PairsAreReadAsTheWindowReadsThem) {
  // Microsoft's mapping: 0x8160 is the full-width tilde U+FF5E.
  execSql(db_, "INSERT INTO 住所 VALUES ('100～0005', '有楽町')");
  writePairs(
      "100\x81\x60"
      "0005,100-0005\r\n");
  const RunResult run = runBatch(dbArgs());
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out,
            progressLine("100～0005", "100-0005") + resultLine("1") + "1件置換しました。\n");
  EXPECT_EQ(queryRows(db_, "SELECT 郵便番号 FROM 住所 WHERE 町域 = '有楽町'"), "100-0005");
}

TEST_F(BatchPairFileTest, DefaultPairFileBesideTheProgramIsRead) {
  const InstalledBatch batch(dir_.path() / "bin");
  writeBytes(batch.defaultPairFile(), "100-0004,100-0094\r\n");
  const RunResult run = batch.run(targetArgs());
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out,
            progressLine("100-0004", "100-0094") + resultLine("1") + "1件置換しました。\n");
}

TEST_F(BatchPairFileTest, MissingDefaultPairFileExitsTwoAndIsNotCreated) {
  const InstalledBatch batch(dir_.path() / "bin");
  const RunResult run = batch.run(targetArgs());
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_EQ(run.err, "norvel-batch: cannot read the pair list file " + batch.defaultPairFile() +
                         ": No such file or directory\n");
  EXPECT_FALSE(fs::exists(batch.defaultPairFile()));
}

struct NeverWrittenCase {
  const char* name;
  std::vector<std::string> extra;
  const char* pairs;
  int exit_code;
};

class BatchPairFileNeverWritten : public BatchPairFileTest,
                                  public ::testing::WithParamInterface<NeverWrittenCase> {};

// Only the window's 終了 button writes the pair list; norvel-batch never presses it, whatever
// the outcome of the run.
TEST_P(BatchPairFileNeverWritten, NeitherTheNamedNorTheDefaultFileChanges) {
  const NeverWrittenCase& c = GetParam();
  const InstalledBatch batch(dir_.path() / "bin");
  writeBytes(batch.defaultPairFile(), "100-0003,100-0083\r\n");
  writePairs(c.pairs);
  const FileStamp named_before = stampOf(pairs_);
  const FileStamp default_before = stampOf(batch.defaultPairFile());
  const auto bin_before = listDirectory(batch.dir());
  const auto dir_before = listDirectory(dir_.path());

  std::vector<std::string> args = {"--db", db_, "--pairs", pairs_};
  args.insert(args.end(), c.extra.begin(), c.extra.end());
  const RunResult run = batch.run(args);
  EXPECT_EQ(run.exit_code, c.exit_code) << run.err;

  EXPECT_EQ(stampOf(pairs_), named_before);
  EXPECT_EQ(stampOf(batch.defaultPairFile()), default_before);
  EXPECT_EQ(listDirectory(batch.dir()), bin_before);
  EXPECT_EQ(listDirectory(dir_.path()), dir_before);

  // The default file too, when it is the one read.
  const FileStamp default_again = stampOf(batch.defaultPairFile());
  std::vector<std::string> default_args = {"--db", db_};
  default_args.insert(default_args.end(), c.extra.begin(), c.extra.end());
  batch.run(default_args);
  EXPECT_EQ(stampOf(batch.defaultPairFile()), default_again);
  EXPECT_EQ(listDirectory(batch.dir()), bin_before);
}

const std::vector<std::string> kTarget = {"--table", "住所", "--field", "郵便番号"};

std::vector<std::string> with(std::vector<std::string> extra) {
  std::vector<std::string> args = kTarget;
  args.insert(args.end(), extra.begin(), extra.end());
  return args;
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, BatchPairFileNeverWritten,
    ::testing::Values(NeverWrittenCase{"Committed", with({}), "100-0001,100-0091\r\n", 0},
                      NeverWrittenCase{"DryRun", with({"--dry-run"}), "100-0001,100-0091\r\n", 0},
                      NeverWrittenCase{"Quiet", with({"--quiet"}), "100-0001,100-0091\r\n", 0},
                      NeverWrittenCase{"RolledBack", with({}), "100-0001,100-00911\r\n", 1},
                      NeverWrittenCase{"UnknownField",
                                       {"--table", "住所", "--field", "x"},
                                       "100-0001,100-0091\r\n",
                                       2}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace norvel::batch::test
