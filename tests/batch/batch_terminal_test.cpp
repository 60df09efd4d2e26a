#include <chrono>

#include "batch_fixture.h"

namespace norvel::batch::test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using namespace std::chrono_literals;

class BatchTerminalTest : public BatchSqliteTest {
 protected:
  // Enough pairs to fill the stdout pipe while the test does not read it, so that the run is
  // held up for longer than a second however fast the machine is.
  static constexpr int kPairs = 2000;

  void writeManyPairs() const {
    std::string text;
    for (int i = 0; i < kPairs; ++i) {
      const std::string digits = std::to_string(1000 + i).substr(1);
      text += "900-0" + digits + ",800-0" + digits + "\r\n";
    }
    writePairs(text);
  }
};

TEST_F(BatchTerminalTest, OraclePasswordIsAskedOnTheTerminalWithoutEcho) {
  bool answered = false;
  Launch launch;
  launch.terminal = true;
  launch.on_terminal_output = [&](const std::string& shown) -> std::string {
    if (answered || shown.find("Password for scott: ") == std::string::npos) return "";
    answered = true;
    return "tiger-secret\n";
  };
  const RunResult run =
      runBatch({"--oracle", "scott", "orcl", "--table", "EMP", "--field", "ZIP", "--pairs", pairs_},
               {}, launch);
  EXPECT_TRUE(answered);
  EXPECT_EQ(run.exit_code, 2);
  // The typed password went into the window (the open was attempted) but never to the screen.
  EXPECT_THAT(run.err, HasSubstr("データベースをオープンできません"));
  EXPECT_THAT(run.err, HasSubstr("User ID=scott;"));
  EXPECT_THAT(run.out + run.err, Not(HasSubstr("tiger-secret")));
}

TEST_F(BatchTerminalTest, LongRunShowsTheProgressLineOnATerminal) {
  writeManyPairs();
  Launch launch;
  launch.terminal = true;
  launch.stdout_stall = 1500ms;
  const RunResult run = runBatch(dbArgs(), {}, launch);
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_THAT(run.err, HasSubstr("\rpair "));
  EXPECT_THAT(run.err, HasSubstr(" of 2000"));
  EXPECT_THAT(run.err, HasSubstr("pair 2000 of 2000"));
  // The line is wiped before the summary message.
  EXPECT_THAT(run.err, HasSubstr("                \r0件置換しました。"));
  EXPECT_THAT(run.out, Not(HasSubstr("pair ")));
  EXPECT_THAT(run.out, ::testing::EndsWith("0件置換しました。\n"));
}

TEST_F(BatchTerminalTest, NoProgressLineWhenStderrIsNotATerminal) {
  writeManyPairs();
  Launch launch;
  launch.stdout_stall = 1500ms;
  const RunResult run = runBatch(dbArgs(), {}, launch);
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.err, "0件置換しました。\n");
}

TEST_F(BatchTerminalTest, ShortRunOnATerminalShowsNoProgressLine) {
  Launch launch;
  launch.terminal = true;
  const RunResult run = runBatch(dbArgs(), {}, launch);
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_THAT(run.err, Not(HasSubstr("pair ")));
  EXPECT_THAT(run.err, HasSubstr("3件置換しました。"));
}

}  // namespace
}  // namespace norvel::batch::test
