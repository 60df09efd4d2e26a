// A check (a dry run) on an SQLite file this process may only read: the lines and counts of the
// same check on a writable copy, whichever strategy, and the file stays as it was byte for byte.
// A real run on it still fails with SQLite's text and changes nothing.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "engine/replacement_run.h"
#include "engine/transaction_guard.h"
#include "platform/sqlite/sqlite_connection.h"
#include "support/run_recorder.h"
#include "support/sqlite_fixture.h"
#include "support/temp_dir.h"
#include "support/unprivileged.h"

namespace norvel {
namespace {

using testing::SqliteFile;
using testing::TempDir;
using Strings = std::vector<std::string>;

using Recorder = testing::RunRecorder;

// What a run reports, as one text to compare.
std::string runText(const std::string& path, const std::vector<RunPair>& pairs, RunMode mode,
                    RunStrategy strategy) {
  auto connection = openSqlite(path);
  Recorder recorder;
  RunOptions options;
  options.mode = mode;
  options.strategy = strategy;
  const RunResult result =
      runReplacement(*connection, {"住所", "郵便番号"}, pairs, recorder, options);
  std::string text;
  for (const std::string& line : recorder.lines) text += line + "\n";
  text += "outcome " + std::to_string(static_cast<int>(result.outcome)) + ", total " +
          std::to_string(result.total) + (result.by_mapping ? ", by mapping" : "");
  // Afterwards the connection reads the file again.
  text += ", then " +
          std::to_string(
              connection->queryRows(SqlStatement("SELECT 1 FROM 住所 WHERE 郵便番号 = '100-0001'"))
                  .size()) +
          " rows of 100-0001";
  return text;
}

const std::vector<std::vector<RunPair>> kPairLists = {
    {{"100-0001", "100-0091"}, {"999-9999", "100-0092"}, {"100-0003", "100-0093"}},
    // The second pair breaks the CHECK; a check stops there as a run would.
    {{"100-0001", "100-0091"}, {"100-0003", "100-00931"}, {"100-0004", "100-0094"}},
    // Chains and NULL: the set-based strategy leaves them to the pairs one by one.
    {{"100-0001", "100-0003"}, {"100-0003", "100-0004"}, {"NULL", "100-0005"}},
};

class ReadOnlyCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    SqliteFile db(path_);
    db.exec(
        "CREATE TABLE 住所 (郵便番号 TEXT CHECK (length(郵便番号) = 8), 町域 TEXT);"
        "INSERT INTO 住所 VALUES ('100-0001', '千代田'), ('100-0001', '皇居外苑'),"
        " ('100-0004', '大手町'), (NULL, '不明');"
        "INSERT INTO 住所 WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n"
        " WHERE i < 300) SELECT '100-0003', '一ツ橋' || i FROM n;");
  }

  // The check's text on a writable copy of the file.
  std::string onWritableCopy(const std::vector<RunPair>& pairs, RunStrategy strategy) {
    const std::string copy = dir_.file("copy.db");
    std::filesystem::remove(copy);
    std::filesystem::copy_file(path_, copy);
    // The copy takes the original's read-only bit along (Windows' attribute, the mode here).
    std::filesystem::permissions(copy, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    const std::string text = runText(copy, pairs, RunMode::dryRun, strategy);
    EXPECT_EQ(testing::readBytes(copy), testing::readBytes(path_));
    return text;
  }

  TempDir dir_;
  std::string path_ = dir_.file("addresses.db");
};

TEST_F(ReadOnlyCheck, AFileWithoutWriteBitsIsCheckedAsAWritableOneAndNotWritten) {
  const std::string bytes = testing::readBytes(path_);
  ASSERT_EQ(::chmod(path_.c_str(), 0444), 0);
  for (const auto& pairs : kPairLists) {
    for (const RunStrategy strategy : {RunStrategy::perPair, RunStrategy::automatic}) {
      SCOPED_TRACE(pairs[1].new_code + (strategy == RunStrategy::perPair ? " per pair" : ""));
      EXPECT_EQ(runText(path_, pairs, RunMode::dryRun, strategy), onWritableCopy(pairs, strategy));
      EXPECT_EQ(testing::readBytes(path_), bytes);
    }
  }
  // Checked at all: the first list's counts, and the set-based strategy where it applies.
  EXPECT_EQ(runText(path_, kPairLists[0], RunMode::dryRun, RunStrategy::automatic),
            "0 100-0001->100-0091\n0 2\n1 999-9999->100-0092\n1 0\n2 100-0003->100-0093\n2 300\n"
            "rolled back 302\noutcome 1, total 302, by mapping, then 2 rows of 100-0001");

  for (const RunStrategy strategy : {RunStrategy::perPair, RunStrategy::automatic}) {
    EXPECT_EQ(runText(path_, kPairLists[0], RunMode::commit, strategy),
              "0 100-0001->100-0091\n0 failed: attempt to write a readonly database\n"
              "rolled back 0 after a failure\noutcome 2, total 0, then 2 rows of 100-0001");
  }
  EXPECT_EQ(testing::readBytes(path_), bytes);
}

// Without root the permission bits of another user's file bind as well: SQLite opens it
// read-only, and a check runs as on a file without write bits.
TEST_F(ReadOnlyCheck, AnotherUsersFileIsCheckedWithoutWritingIt) {
#if defined(_WIN32)
  GTEST_SKIP() << "the read-only attribute binds every user alike";
#else
  // Only root can make a file another user's and then act as that user.
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
#endif
  ASSERT_EQ(::chmod(dir_.path().string().c_str(), 0755), 0);
  const std::string bytes = testing::readBytes(path_);
  Strings expected;
  for (const auto& pairs : kPairLists) {
    expected.push_back(onWritableCopy(pairs, RunStrategy::automatic));
  }
  for (const mode_t mode : {0644, 0444}) {
    SCOPED_TRACE(mode);
    ASSERT_EQ(::chmod(path_.c_str(), mode), 0);
    const int status = testing::runUnprivileged([&] {
      for (std::size_t i = 0; i < kPairLists.size(); ++i) {
        if (runText(path_, kPairLists[i], RunMode::dryRun, RunStrategy::automatic) != expected[i]) {
          return 1;
        }
      }
      const std::string real =
          runText(path_, kPairLists[0], RunMode::commit, RunStrategy::automatic);
      return real.find("failed: attempt to write a readonly database") != std::string::npos ? 0 : 2;
    });
    if (status < 0) GTEST_SKIP() << "cannot drop root privileges here";
    EXPECT_EQ(status, 0) << "1: another check, 2: the real run did not fail as SQLite says";
    EXPECT_EQ(testing::readBytes(path_), bytes);
  }
}

TEST_F(ReadOnlyCheck, ADryRunsTransactionIsNeverCommitted) {
  ASSERT_EQ(::chmod(path_.c_str(), 0444), 0);
  const std::string bytes = testing::readBytes(path_);
  auto connection = openSqlite(path_);
  {
    TransactionGuard transaction(*connection, RunMode::dryRun);
    EXPECT_EQ(connection->execute("UPDATE 住所 SET 郵便番号 = '100-0009'"), 304);
    EXPECT_THROW(transaction.commit(), std::logic_error);
    EXPECT_TRUE(transaction.active());
  }
  EXPECT_EQ(
      connection->queryRows(SqlStatement("SELECT 1 FROM 住所 WHERE 郵便番号 = '100-0009'")).size(),
      0u);
  EXPECT_EQ(testing::readBytes(path_), bytes);
}

}  // namespace
}  // namespace norvel
