#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "batch_test_support.h"

namespace norvel::batch::test {
namespace {

using ::testing::HasSubstr;

TEST(BatchCli, HelpDocumentsEveryOptionTheExitCodesAndAnExample) {
  const RunResult run = runBatch({"--help"});
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.err, "");
  for (const char* text :
       {"Usage: norvel-batch (--db PATH | --xls PATH [--no-header] | --oracle USER [HOST] |",
        "--table NAME --field NAME [--pairs FILE] [--dry-run] [--quiet]", "--db", "--xls",
        "--no-header", "--oracle", "--connect", "--table", "--field", "--pairs", "--dry-run",
        "--quiet", "NORVEL_PASSWORD", "Exit codes:", "  0  ", "  1  ", "  2  ",
        "Examples:", "norvel-batch --db sample.sqlite --table 住所 --field 郵便番号"}) {
    EXPECT_THAT(run.out, HasSubstr(text));
  }
}

struct UsageCase {
  const char* name;
  std::vector<std::string> args;
  const char* message;
};

class BatchUsageError : public ::testing::TestWithParam<UsageCase> {};

TEST_P(BatchUsageError, ExitsTwoWithTheReasonAndTouchesNothing) {
  TempDir dir;
  const UsageCase& usage = GetParam();
  std::vector<std::string> args = usage.args;
  const RunResult run = runBatch(args);
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_THAT(run.err, HasSubstr(usage.message));
  EXPECT_THAT(run.err, HasSubstr("--help"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BatchUsageError,
    ::testing::Values(
        UsageCase{"NoSource", {"--table", "t", "--field", "f"}, "one data source is required"},
        UsageCase{"TwoSources",
                  {"--db", "a.sqlite", "--connect", "DSN=x", "--table", "t", "--field", "f"},
                  "excludes"},
        UsageCase{"NoTable", {"--db", "a.sqlite", "--field", "f"}, "--table is required"},
        UsageCase{"NoField", {"--db", "a.sqlite", "--table", "t"}, "--field is required"},
        UsageCase{"NoHeaderWithoutWorkbook",
                  {"--db", "a.sqlite", "--no-header", "--table", "t", "--field", "f"},
                  "--no-header requires --xls"},
        // The user name is taken as given, so the next option goes missing.
        UsageCase{"OracleWithoutUser",
                  {"--oracle", "--table", "t", "--field", "f"},
                  "--table is required"},
        UsageCase{"OracleWithThreeValues",
                  {"--oracle", "scott", "orcl", "extra", "--table", "t", "--field", "f"},
                  "--oracle: At Most 2 required but received 3"},
        UsageCase{"UnknownOption",
                  {"--db", "a.sqlite", "--table", "t", "--field", "f", "--password", "x"},
                  "--password"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace norvel::batch::test
