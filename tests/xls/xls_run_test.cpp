// The replacement run on .xls workbooks: both strategies give the same calls, counts and
// cells, a dry run and a failed run leave the file's bytes as they were.
#include "engine/replacement_run.h"
#include "support/run_recorder.h"
#include "xls_test_support.h"

namespace norvel::test {
namespace {

using Strings = std::vector<std::string>;

class XlsRunTest : public XlsTest, public ::testing::WithParamInterface<std::string> {
 protected:
  struct Outcome {
    Strings lines;
    RunResult result;
    std::map<std::string, std::string> cells;
  };

  Outcome run(const RunTarget& target, const std::vector<RunPair>& pairs, RunStrategy strategy,
              RunMode mode = RunMode::commit) {
    const std::string path = book("addresses_" + GetParam(), "run.xls");
    Outcome outcome;
    {
      auto db = openWorkbook(path, true);
      testing::FullRunRecorder recorder;
      RunOptions options;
      options.strategy = strategy;
      options.mode = mode;
      outcome.result = runReplacement(*db, target, pairs, recorder, options);
      outcome.lines = recorder.lines;
    }
    outcome.cells = cellsReadByXlrd(path);
    bytes_ = readBytes(path);
    return outcome;
  }

  std::string bytes_;
};

// Filler pairs that match nothing make the list long enough for the set-based strategy.
std::vector<RunPair> withFiller(std::vector<RunPair> pairs, const std::string& filler) {
  for (int i = 0; i < 8; ++i) pairs.push_back({filler + std::to_string(i), filler + "9"});
  return pairs;
}

TEST_P(XlsRunTest, BothStrategiesReplaceTheSameCells) {
  struct Case {
    RunTarget target;
    std::vector<RunPair> pairs;
    bool by_mapping;
  };
  const std::vector<Case> cases = {
      {{"住所録$", "郵便番号"},
       withFiller({{"100-0001", "100-0009"}, {"100-0002", "1000002"}, {"100-0004", "〒100-0004"}},
                  "999-000"),
       true},
      // A cycle runs pair by pair.
      {{"住所録$", "郵便番号"}, {{"100-0001", "100-0003"}, {"100-0003", "100-0001"}}, false},
      {{"住所録$", "旧番号"},
       withFiller({{"1000001", "1000009"}, {"1000002", "2000002"}}, "99900"),
       true},
  };
  for (const auto& c : cases) {
    const Outcome per_pair = run(c.target, c.pairs, RunStrategy::perPair);
    const Outcome automatic = run(c.target, c.pairs, RunStrategy::automatic);
    EXPECT_EQ(per_pair.result.outcome, RunOutcome::committed);
    EXPECT_EQ(automatic.result.by_mapping, c.by_mapping);
    EXPECT_EQ(automatic.lines, per_pair.lines);
    EXPECT_EQ(automatic.cells, per_pair.cells);
    EXPECT_NE(per_pair.cells, cellsReadByXlrd(book("addresses_" + GetParam())));
  }
  const Outcome outcome =
      run({"住所録$", "郵便番号"}, {{"100-0001", "100-0003"}}, RunStrategy::perPair);
  EXPECT_EQ(outcome.cells.at("住所録|1|0").substr(0, 12), "1|'100-0003'");
}

TEST_P(XlsRunTest, DryRunAndFailedRunLeaveTheFileByteForByte) {
  const std::string original = readBytes(book("addresses_" + GetParam()));
  const Outcome dry = run({"住所録$", "郵便番号"}, withFiller({{"100-0001", "100-0009"}}, "9-"),
                          RunStrategy::automatic, RunMode::dryRun);
  EXPECT_EQ(dry.result.counts.at(0), 1);
  EXPECT_TRUE(bytes_ == original);
  // 計算 holds formulas: LibreOffice stores their results, which a pair then meets.
  const Outcome failed = run({"住所録$", "計算"}, {{"1000002", "1"}}, RunStrategy::perPair);
  if (GetParam() == "libreoffice") {
    EXPECT_EQ(failed.result.outcome, RunOutcome::failed);
    EXPECT_THAT(failed.lines, ::testing::Contains(HasSubstr("住所録!D2")));
  }
  EXPECT_TRUE(bytes_ == original);
}

INSTANTIATE_TEST_SUITE_P(Writers, XlsRunTest, ::testing::ValuesIn(kWriters));

}  // namespace
}  // namespace norvel::test
