#include "batch_fixture.h"

namespace norvel::batch::test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

const char* const kOriginal =
    "100-0001|千代田\n100-0001|皇居外苑\n100-0003|一ツ橋\n100-0004|大手町";
const char* const kReplaced =
    "100-0091|千代田\n100-0091|皇居外苑\n100-0093|一ツ橋\n100-0004|大手町";

TEST_F(BatchSqliteTest, RunPrintsTheStatusLinesAndTheTotalAndCommits) {
  const RunResult run = runBatch(dbArgs());
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.out, standardStatus() + "3件置換しました。\n");
  EXPECT_EQ(run.err, "3件置換しました。\n");
  EXPECT_EQ(addresses(), kReplaced);
}

TEST_F(BatchSqliteTest, DryRunPrintsTheCountsOfTheRealRunAndChangesNothing) {
  // 1,502 rows in all, so the grouped counts show too.
  execSql(db_,
          "INSERT INTO 住所 WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n"
          " WHERE i < 1500) SELECT '200-0001', '番地' || i FROM n");
  writePairs("100-0001,100-0091\r\n200-0001,200-0091\r\n");
  const std::string status = progressLine("100-0001", "100-0091") + resultLine("2") +
                             progressLine("200-0001", "200-0091") + resultLine("1,500");
  const FileStamp before = stampOf(db_);

  const RunResult dry = runBatch(dbArgs({"--dry-run"}));
  EXPECT_EQ(dry.exit_code, 0);
  EXPECT_EQ(dry.out, status + "dry run: 1,502件置換しました。 (rolled back, nothing changed)\n");
  EXPECT_EQ(dry.err, "dry run: 1,502件置換しました。 (rolled back, nothing changed)\n");
  EXPECT_EQ(stampOf(db_).bytes, before.bytes);
  EXPECT_EQ(queryRows(db_, "SELECT count(*) FROM 住所 WHERE 郵便番号 LIKE '%-0091'"), "0");

  const RunResult real = runBatch(dbArgs());
  EXPECT_EQ(real.exit_code, 0);
  EXPECT_EQ(real.out, status + "1,502件置換しました。\n");
  EXPECT_EQ(real.err, "1,502件置換しました。\n");
  EXPECT_EQ(queryRows(db_, "SELECT count(*) FROM 住所 WHERE 郵便番号 LIKE '%-0091'"), "1502");
}

TEST_F(BatchSqliteTest, FailingPairRollsBackTheEarlierPairsAndExitsOne) {
  // The second pair breaks the table's CHECK; the third is never attempted.
  writePairs("100-0001,100-0091\r\n100-0003,100-00931\r\n100-0004,100-0094\r\n");
  const FileStamp before = stampOf(db_);

  const RunResult run = runBatch(dbArgs());
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_THAT(run.out, ::testing::StartsWith(
                           progressLine("100-0001", "100-0091") + resultLine("2") +
                           progressLine("100-0003", "100-00931") + "  CHECK constraint failed"));
  EXPECT_THAT(run.out, Not(HasSubstr("100-0004")));
  EXPECT_THAT(run.out, Not(HasSubstr("3件")));
  EXPECT_THAT(run.err, ::testing::StartsWith("CHECK constraint failed"));
  EXPECT_THAT(run.err, Not(HasSubstr("件置換しました")));
  // The status line and the message carry the same text.
  EXPECT_THAT(run.out, HasSubstr("  " + run.err));
  EXPECT_EQ(addresses(), kOriginal);
  EXPECT_EQ(stampOf(db_).bytes, before.bytes);
}

TEST_F(BatchSqliteTest, DryRunOfAFailingRunExitsOneToo) {
  writePairs("100-0001,100-0091\r\n100-0003,TOO-LONG-CODE\r\n");
  const RunResult run = runBatch(dbArgs({"--dry-run"}));
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_THAT(run.err, HasSubstr("CHECK constraint failed"));
  EXPECT_THAT(run.out + run.err, Not(HasSubstr("dry run:")));
  EXPECT_EQ(addresses(), kOriginal);
}

TEST_F(BatchSqliteTest, LockedDatabaseFailsThePairAndChangesNothing) {
  WriteLock lock(db_);
  const RunResult run = runBatch(dbArgs());
  lock.release();
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_THAT(run.err, HasSubstr("database is locked"));
  EXPECT_EQ(addresses(), kOriginal);
}

TEST_F(BatchSqliteTest, QuietPrintsOnlyTheSummaryAndTheMessages) {
  const RunResult run = runBatch(dbArgs({"--quiet"}));
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.out, "3件置換しました。\n");
  EXPECT_EQ(run.err, "3件置換しました。\n");
  EXPECT_EQ(addresses(), kReplaced);

  writePairs("100-0091,1\r\n");
  const RunResult failed = runBatch(dbArgs({"--quiet"}));
  EXPECT_EQ(failed.exit_code, 1);
  EXPECT_EQ(failed.out, "");
  EXPECT_THAT(failed.err, ::testing::StartsWith("CHECK constraint failed"));
  EXPECT_EQ(addresses(), kReplaced);
}

TEST_F(BatchSqliteTest, UnknownTableExitsTwoWithTheTableNames) {
  const RunResult run =
      runBatch({"--db", db_, "--table", "住", "--field", "郵便番号", "--pairs", pairs_});
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "norvel-batch: no table \"住\"; the tables are:\n  住所\n  顧客\n");
  EXPECT_EQ(addresses(), kOriginal);
}

TEST_F(BatchSqliteTest, TableNamesMatchExactly) {
  execSql(db_, "CREATE TABLE Kunden (plz TEXT)");
  const RunResult run =
      runBatch({"--db", db_, "--table", "kunden", "--field", "plz", "--pairs", pairs_});
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_THAT(run.err, HasSubstr("  Kunden\n"));
}

TEST_F(BatchSqliteTest, UnknownFieldExitsTwoWithTheFieldNames) {
  const RunResult run =
      runBatch({"--db", db_, "--table", "顧客", "--field", "郵便", "--pairs", pairs_});
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err,
            "norvel-batch: no field \"郵便\" in table \"顧客\"; its fields are:\n"
            "  番号\n  氏名\n  郵便番号\n");
}

TEST_F(BatchSqliteTest, MissingDatabaseFileExitsTwoWithTheWindowsMessageAndIsNotCreated) {
  const std::string missing = dir_.file("missing.sqlite");
  const RunResult run =
      runBatch({"--db", missing, "--table", "住所", "--field", "郵便番号", "--pairs", pairs_});
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_THAT(run.err, ::testing::StartsWith("データベースをオープンできません\n"
                                             "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" +
                                             missing + "\n"));
  EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST_F(BatchSqliteTest, DataSourceWithoutTablesExitsTwo) {
  const std::string empty = dir_.file("empty.sqlite");
  execSql(empty, "CREATE TABLE t (x); DROP TABLE t;");
  const RunResult run =
      runBatch({"--db", empty, "--table", "住所", "--field", "郵便番号", "--pairs", pairs_});
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_EQ(run.err, "norvel-batch: the data source has no tables\n");
}

TEST_F(BatchSqliteTest, EmptyPathIsRefusedBeforeAnythingOpens) {
  const RunResult run =
      runBatch({"--db", "", "--table", "住所", "--field", "郵便番号", "--pairs", pairs_});
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_THAT(run.err, HasSubstr("not connected"));
}

TEST_F(BatchSqliteTest, NullAndEmptyNewCodesClearTheField) {
  // The pair list's own forms: "NULL" selects and sets NULL; an empty new code sets NULL.
  execSql(db_, "INSERT INTO 住所 VALUES (NULL, '不明')");
  writePairs("NULL,100-0000\r\n100-0004,\r\n");
  const RunResult run = runBatch(dbArgs());
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out, progressLine("NULL", "100-0000") + resultLine("1") +
                         progressLine("100-0004", "") + resultLine("1") + "2件置換しました。\n");
  EXPECT_EQ(queryRows(db_,
                      "SELECT 郵便番号 FROM 住所 WHERE 町域 IN ('不明', '大手町')"
                      " ORDER BY 町域"),
            "100-0000\nNULL");
}

}  // namespace
}  // namespace norvel::batch::test
