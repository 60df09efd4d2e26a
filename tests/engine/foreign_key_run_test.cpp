// Foreign keys of an SQLite file during a run, as a database browser enforces them: the rows of
// a child follow a replaced key through ON UPDATE CASCADE, and a reference the run would break
// fails it with SQLite's text and changes nothing. Either strategy, the same lines and rows.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/replacement_run.h"
#include "platform/sqlite/sqlite_connection.h"
#include "support/run_recorder.h"
#include "support/sqlite_fixture.h"
#include "support/temp_dir.h"

namespace norvel {
namespace {

using testing::SqliteFile;
using testing::TempDir;
using Strings = std::vector<std::string>;

using Recorder = testing::RunRecorder;

// 郵便 holds the keys; 住所 refers to them by a field without an index, declared by the case.
class ForeignKeyRun : public ::testing::Test {
 protected:
  void create(const std::string& reference) {
    SqliteFile db(original_);
    db.exec(
        "CREATE TABLE 郵便 (番号 TEXT PRIMARY KEY, 地名 TEXT);"
        "INSERT INTO 郵便 VALUES ('100-0001', '千代田'), ('100-0002', '皇居外苑'),"
        " ('100-0003', '一ツ橋'), ('100-0004', '大手町');"
        "CREATE TABLE 住所 (id INTEGER PRIMARY KEY, 郵便番号 TEXT " +
        reference +
        ");"
        "INSERT INTO 住所 (郵便番号) VALUES ('100-0001'), ('100-0001'), ('100-0003'),"
        " ('100-0004'), (NULL);");
  }

  struct Outcome {
    Strings lines;
    RunOutcome outcome = RunOutcome::failed;
    bool by_mapping = false;
    std::string keys;      // 郵便 afterwards
    std::string children;  // 住所 afterwards
  };

  // The same pairs on a fresh copy of the file per strategy.
  std::vector<Outcome> runBoth(const RunTarget& target, const std::vector<RunPair>& pairs) {
    std::vector<Outcome> outcomes;
    for (const RunStrategy strategy : {RunStrategy::perPair, RunStrategy::automatic}) {
      const std::string path = dir_.file(strategy == RunStrategy::perPair ? "1.db" : "2.db");
      std::filesystem::remove(path);
      std::filesystem::copy_file(original_, path);
      Outcome outcome;
      {
        auto connection = openSqlite(path);
        Recorder recorder;
        RunOptions options;
        options.strategy = strategy;
        const RunResult result = runReplacement(*connection, target, pairs, recorder, options);
        outcome.lines = recorder.lines;
        outcome.outcome = result.outcome;
        outcome.by_mapping = result.by_mapping;
      }
      SqliteFile db(path);
      outcome.keys =
          db.scalar("SELECT group_concat(番号, ' ') FROM (SELECT 番号 FROM 郵便 ORDER BY rowid)");
      outcome.children = db.scalar(
          "SELECT group_concat(ifnull(郵便番号, '-'), ' ') FROM (SELECT 郵便番号 FROM 住所 ORDER "
          "BY "
          "id)");
      outcomes.push_back(std::move(outcome));
    }
    EXPECT_EQ(outcomes[1].lines, outcomes[0].lines);
    EXPECT_EQ(outcomes[1].outcome, outcomes[0].outcome);
    EXPECT_EQ(outcomes[1].keys, outcomes[0].keys);
    EXPECT_EQ(outcomes[1].children, outcomes[0].children);
    return outcomes;
  }

  TempDir dir_;
  std::string original_ = dir_.file("original.db");
  const std::string keys_ = "100-0001 100-0002 100-0003 100-0004";
  const std::string children_ = "100-0001 100-0001 100-0003 100-0004 -";
};

TEST_F(ForeignKeyRun, ChildrenFollowReplacedKeysThroughOnUpdateCascade) {
  create("REFERENCES 郵便(番号) ON UPDATE CASCADE");
  const std::vector<Outcome> outcomes = runBoth({"郵便", "番号"}, {{"100-0001", "100-0091"},
                                                                   {"999-9999", "100-0092"},
                                                                   {"100-0003", "100-0093"},
                                                                   {"100-0002", "100-0001"}});
  EXPECT_EQ(outcomes[0].outcome, RunOutcome::committed);
  EXPECT_EQ(outcomes[0].lines,
            (Strings{"0 100-0001->100-0091", "0 1", "1 999-9999->100-0092", "1 0",
                     "2 100-0003->100-0093", "2 1", "3 100-0002->100-0001", "3 1", "committed 3"}));
  EXPECT_EQ(outcomes[0].keys, "100-0091 100-0001 100-0093 100-0004");
  // The children of the first key went with it; none came to its code when another key took it.
  EXPECT_EQ(outcomes[0].children, "100-0091 100-0091 100-0093 100-0004 -");
}

TEST_F(ForeignKeyRun, AReferenceTheRunWouldBreakFailsItWithSqlitesTextAndChangesNothing) {
  struct Case {
    std::string name;
    std::string reference;
    RunTarget target;
    std::vector<RunPair> pairs;
    Strings lines;
  };
  const std::string failed = "failed: FOREIGN KEY constraint failed";
  const std::vector<Case> cases = {
      // A key still referred to: the unreferenced one before it went through, then the run stops.
      {"no action",
       "REFERENCES 郵便(番号)",
       {"郵便", "番号"},
       {{"100-0002", "100-0092"}, {"100-0001", "100-0091"}, {"100-0004", "100-0094"}},
       {"0 100-0002->100-0092", "0 1", "1 100-0001->100-0091", "1 " + failed,
        "rolled back 1 after a failure"}},
      {"on update restrict",
       "REFERENCES 郵便(番号) ON UPDATE RESTRICT",
       {"郵便", "番号"},
       {{"100-0001", "100-0091"}, {"100-0002", "100-0092"}, {"100-0004", "100-0094"}},
       {"0 100-0001->100-0091", "0 " + failed, "rolled back 0 after a failure"}},
      // The child's own field, which one UPDATE for all pairs could replace: a new code that is
      // no key fails at its pair.
      {"a child's field given a code that is no key",
       "REFERENCES 郵便(番号) ON UPDATE CASCADE",
       {"住所", "郵便番号"},
       {{"100-0001", "100-0002"}, {"100-0003", "199-9999"}, {"100-0004", "100-0001"}},
       {"0 100-0001->100-0002", "0 2", "1 100-0003->199-9999", "1 " + failed,
        "rolled back 2 after a failure"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(original_);
    create(c.reference);
    const std::string before = testing::readBytes(original_);
    const std::vector<Outcome> outcomes = runBoth(c.target, c.pairs);
    EXPECT_EQ(outcomes[0].outcome, RunOutcome::failed);
    EXPECT_EQ(outcomes[0].lines, c.lines);
    EXPECT_EQ(outcomes[0].keys, keys_);
    EXPECT_EQ(outcomes[0].children, children_);
    for (const char* name : {"1.db", "2.db"}) {
      EXPECT_EQ(testing::readBytes(dir_.file(name)), before) << name;
    }
  }
}

// The child's field is no key and has no index: the set-based strategy takes it, and SQLite
// checks each new code against the keys as it does for one pair at a time.
TEST_F(ForeignKeyRun, AChildsFieldTakesOnlyCodesThatAreKeysEitherWay) {
  create("REFERENCES 郵便(番号)");
  const std::vector<Outcome> outcomes =
      runBoth({"住所", "郵便番号"},
              {{"100-0001", "100-0002"}, {"100-0003", "100-0004"}, {"999-9999", "100-0001"}});
  EXPECT_TRUE(outcomes[1].by_mapping);
  EXPECT_EQ(outcomes[0].outcome, RunOutcome::committed);
  EXPECT_EQ(outcomes[0].children, "100-0002 100-0002 100-0004 100-0004 -");
}

// A deferred reference is checked by the COMMIT: a check that only rolls back meets it all the
// same, with the words the real run's commit gives, and says nothing would be replaced.
TEST_F(ForeignKeyRun, ACheckMeetsTheDeferredReferenceTheCommitWouldMeet) {
  create("REFERENCES 郵便(番号) DEFERRABLE INITIALLY DEFERRED");
  const std::vector<RunPair> pairs = {{"100-0003", "199-9999"}, {"100-0002", "100-0092"}};
  for (const RunMode mode : {RunMode::commit, RunMode::dryRun}) {
    SCOPED_TRACE(mode == RunMode::commit ? "run" : "check");
    const std::string path = dir_.file("deferred.db");
    std::filesystem::remove(path);
    std::filesystem::copy_file(original_, path);
    auto connection = openSqlite(path);
    class : public RunObserver {
     public:
      void commitFailed(const RunFailure& failure) override { told = failure.description; }
      std::string told;
    } observer;
    const RunResult result =
        runReplacement(*connection, {"住所", "郵便番号"}, pairs, observer, {.mode = mode});
    EXPECT_EQ(result.outcome, RunOutcome::failed);
    ASSERT_TRUE(result.failure);
    EXPECT_EQ(result.failure->stage, RunStage::commit);
    EXPECT_EQ(observer.told, "FOREIGN KEY constraint failed");
    connection.reset();
    EXPECT_EQ(testing::readBytes(path), testing::readBytes(original_));
  }
}

}  // namespace
}  // namespace norvel
