#include <csignal>

#include "batch_test_support.h"

namespace norvel::batch::test {
namespace {

using Args = std::vector<std::string>;

// Ctrl+C or a kill in the middle of a long run: the pairs already done are undone, the file is
// byte for byte as before, and the exit code tells which signal stopped it.
TEST_F(BatchTest, SignalDuringTheRunRollsBackAndExitsWithIt) {
  if (!kTerminalAndSignals) {
    GTEST_SKIP() << "Windows has no signals to send; Ctrl+C on a console is tried by hand";
  }
  const Args long_run = longRun();
  const std::string before = readBytes(db_);
  for (const auto& [signal, exit_code, name] : std::vector<std::tuple<int, int, std::string>>{
           {SIGINT, 130, "SIGINT"}, {SIGTERM, 143, "SIGTERM"}}) {
    const RunResult run = batch(long_run, {}, {}, {signal, "200,000件置換しました。\n"});
    EXPECT_EQ(run.exit_code, exit_code) << name << run.err;
    EXPECT_THAT(run.out, StartsWith(statusLines("100-0001", "100-0002", "200,000")));
    EXPECT_THAT(run.out, Not(HasSubstr("9999->1")));
    EXPECT_EQ(run.err, "norvel-batch: interrupted (" + name +
                           "): the run was rolled back, nothing was changed\n");
    EXPECT_EQ(readBytes(db_), before) << name;
  }
}

// What a look over the list finds is said before the run, also with --quiet, and never stops it.
TEST_F(BatchTest, PairListFindingsGoToStderrBeforeTheRun) {
  writeBytes(pairs_, "100-0004,\r\n100-0001,100-0091\r\n");
  const std::string finding =
      "1 番目の置換ペア「100-0004 -> "
      "」は置換先が空です。該当するフィールドは空（NULL）になります。\n";
  for (const auto& [more, out] : std::vector<std::pair<Args, std::string>>{
           {{"--dry-run"},
            statusLines("100-0004", "", "1") + statusLines("100-0001", "100-0091", "2") +
                "dry run: 3件置換しました。 (rolled back, nothing changed)\n"},
           {{"--quiet"}, "3件置換しました。\n"}}) {
    Args arguments = args({"--db", db_});
    arguments.insert(arguments.end(), more.begin(), more.end());
    const RunResult run = batch(arguments);
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.out, out);
    EXPECT_EQ(run.err, finding + out.substr(out.rfind('\n', out.size() - 2) + 1));
  }
  EXPECT_EQ(codes(), "NULL|1\n100-0003|1500\n100-0091|2");
}

}  // namespace
}  // namespace norvel::batch::test
