#include <unistd.h>

#include <cstdlib>
#include <memory>

#include "batch_fixture.h"
#include "platform/odbc/odbc_connection.h"

namespace norvel::batch::test {
namespace {

using ::testing::HasSubstr;

// PostgreSQL over ODBC; the connection string comes from NORVEL_TEST_PG.
class BatchPostgresTest : public BatchSqliteTest {
 protected:
  void SetUp() override {
    const char* connection = std::getenv("NORVEL_TEST_PG");
    const char* ci = std::getenv("CI");
    if (connection == nullptr || *connection == '\0') {
      if (ci != nullptr && std::string(ci) == "true") FAIL() << "NORVEL_TEST_PG is not set";
      GTEST_SKIP() << "NORVEL_TEST_PG is not set";
    }
    connection_string_ = connection;
    table_ = "住所_batch_" + std::to_string(::getpid());
    db_conn_ = openOdbc(connection_string_);
    db_conn_->execute("DROP TABLE IF EXISTS " + table_);
    db_conn_->execute("CREATE TABLE " + table_ +
                      " (番号 integer, 郵便番号 varchar(8), 町域 "
                      "varchar(40))");
    db_conn_->execute("INSERT INTO " + table_ +
                      " VALUES (1, '100-0001', '千代田'), (2, '100-0001', '皇居外苑'),"
                      " (3, '100-0003', '一ツ橋'), (4, '100-0004', '大手町')");
  }

  void TearDown() override {
    if (db_conn_) db_conn_->execute("DROP TABLE IF EXISTS " + table_);
  }

  // Rows with this code, counted by an UPDATE that changes nothing: the layer reports the
  // affected rows but hands out no values.
  std::int64_t rowsWith(const std::string& code) {
    return db_conn_->execute("UPDATE " + table_ + " SET 町域 = 町域 WHERE 郵便番号 = '" + code +
                             "'");
  }

  RunResult run(std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {"--connect", connection_string_, "--table", table_,
                                     "--field",   "郵便番号",         "--pairs", pairs_};
    args.insert(args.end(), extra.begin(), extra.end());
    return runBatch(args);
  }

  std::string connection_string_;
  std::string table_;
  std::unique_ptr<DatabaseConnection> db_conn_;
};

TEST_F(BatchPostgresTest, DryRunCountsAsTheRealRunAndOnlyTheRealRunChangesRows) {
  const RunResult dry = run({"--dry-run"});
  EXPECT_EQ(dry.exit_code, 0) << dry.err;
  EXPECT_EQ(dry.out,
            standardStatus() + "dry run: 3件置換しました。 (rolled back, nothing changed)\n");
  EXPECT_EQ(rowsWith("100-0001"), 2);
  EXPECT_EQ(rowsWith("100-0091"), 0);

  const RunResult real = run();
  EXPECT_EQ(real.exit_code, 0) << real.err;
  EXPECT_EQ(real.out, standardStatus() + "3件置換しました。\n");
  EXPECT_EQ(real.err, "3件置換しました。\n");
  EXPECT_EQ(rowsWith("100-0001"), 0);
  EXPECT_EQ(rowsWith("100-0091"), 2);
  EXPECT_EQ(rowsWith("100-0093"), 1);
  EXPECT_EQ(rowsWith("100-0004"), 1);
}

TEST_F(BatchPostgresTest, FailingPairRollsBackAndExitsOne) {
  writePairs("100-0001,100-0091\r\n100-0003,100-00931\r\n");
  const RunResult failed = run();
  EXPECT_EQ(failed.exit_code, 1);
  EXPECT_THAT(failed.err, HasSubstr("value too long for type character varying(8)"));
  EXPECT_THAT(failed.out, HasSubstr(progressLine("100-0003", "100-00931") + "  "));
  EXPECT_EQ(rowsWith("100-0001"), 2);
  EXPECT_EQ(rowsWith("100-0091"), 0);
}

TEST_F(BatchPostgresTest, UnknownFieldListsTheColumns) {
  const RunResult unknown = runBatch(
      {"--connect", connection_string_, "--table", table_, "--field", "zip", "--pairs", pairs_});
  EXPECT_EQ(unknown.exit_code, 2);
  EXPECT_THAT(unknown.err, HasSubstr("; its fields are:\n  番号\n  郵便番号\n  町域\n"));
}

}  // namespace
}  // namespace norvel::batch::test
