#include "batch_fixture.h"

namespace norvel::batch::test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

class BatchSourcesTest : public BatchSqliteTest {};

// The SQLite3 ODBC driver is ANSI-only and converts through the locale: under the C locale the
// Japanese names only survive because norvel-batch falls back to C.UTF-8.
TEST_F(BatchSourcesTest, ConnectionStringThroughOdbcWorksUnderTheCLocale) {
  const RunResult run = runBatch({"--connect", "Driver={SQLite3};Database=" + db_, "--table",
                                  "住所", "--field", "郵便番号", "--pairs", pairs_},
                                 {{"LC_ALL", "C"}, {"LANG", std::nullopt}});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out, standardStatus() + "3件置換しました。\n");
  EXPECT_EQ(queryRows(db_, "SELECT count(*) FROM 住所 WHERE 郵便番号 IN ('100-0091', '100-0093')"),
            "3");
}

TEST_F(BatchSourcesTest, ConnectionStringIsPassedOnUnchanged) {
  const std::string typed = "Provider=SQLite;Data Source=" + db_;
  const RunResult run = runBatch({"--connect", typed, "--table", "住所", "--field", "郵便番号",
                                  "--pairs", pairs_, "--dry-run"});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_THAT(run.out, HasSubstr("dry run: 3件置換しました。"));
}

TEST_F(BatchSourcesTest, UnsupportedConnectionStringExitsTwoWithTheWindowsMessage) {
  const RunResult run = runBatch({"--connect", "Provider=Nothing.Known;Data Source=x", "--table",
                                  "住所", "--field", "郵便番号", "--pairs", pairs_});
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_THAT(run.err, StartsWith("データベースをオープンできません\n"
                                  "Provider=Nothing.Known;Data Source=x\n"));
}

TEST_F(BatchSourcesTest, OraclePasswordComesFromTheEnvironmentAndIsNeverShown) {
  const RunResult run =
      runBatch({"--oracle", "scott", "orcl", "--table", "EMP", "--field", "ZIP", "--pairs", pairs_},
               {{"NORVEL_PASSWORD", "tiger-secret"}});
  // No Oracle driver is registered here: the window's open fails with its message.
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_THAT(run.err, StartsWith("データベースをオープンできません\n"
                                  "Provider=OraOLEDB.Oracle.1;Persist Security Info=False;"
                                  "User ID=scott;"));
  EXPECT_THAT(run.err, HasSubstr("Data Source=orcl;"));
  EXPECT_THAT(run.out + run.err, Not(HasSubstr("tiger-secret")));
}

TEST_F(BatchSourcesTest, OracleWithAnEmptyPasswordGetsTheWindowsWarning) {
  const RunResult run =
      runBatch({"--oracle", "scott", "--table", "EMP", "--field", "ZIP", "--pairs", pairs_},
               {{"NORVEL_PASSWORD", ""}});
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_EQ(run.err, "ユーザ名、パスワードを入力してください\n");
}

TEST_F(BatchSourcesTest, OracleWithoutPasswordOrTerminalExitsTwo) {
  const RunResult run =
      runBatch({"--oracle", "scott", "--table", "EMP", "--field", "ZIP", "--pairs", pairs_});
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_THAT(run.err, HasSubstr("--oracle needs a password: set NORVEL_PASSWORD"));
}

TEST_F(BatchSourcesTest, EmptyConnectionStringIsRefused) {
  const RunResult run =
      runBatch({"--connect", "", "--table", "住所", "--field", "郵便番号", "--pairs", pairs_});
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_THAT(run.err, HasSubstr("not connected"));
}

}  // namespace
}  // namespace norvel::batch::test
