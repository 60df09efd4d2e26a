#include "engine/replacement_run.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "engine/run_pair_review.h"
#include "engine/transaction_guard.h"
#include "support/fake_database_connection.h"

namespace norvel {
namespace {

using testing::FakeDatabaseConnection;
using Strings = std::vector<std::string>;

std::string stageName(RunStage stage) {
  switch (stage) {
    case RunStage::begin:
      return "begin";
    case RunStage::refused:
      return "refused";
    case RunStage::probe:
      return "probe";
    case RunStage::update:
      return "update";
    case RunStage::interrupted:
      return "interrupted";
    case RunStage::commit:
      return "commit";
    case RunStage::setBased:
      return "set-based";
  }
  return "?";
}

// Every call of the observer as one line, in order.
class Recorder : public RunObserver {
 public:
  void began() override { events.push_back("began"); }
  void pairStarted(std::size_t index, const RunPair& pair) override {
    events.push_back("start " + std::to_string(index) + " " + pair.old_code + "->" + pair.new_code);
    if (on_start) on_start(index);
  }
  void probed(std::size_t index, int type) override {
    events.push_back("probed " + std::to_string(index) + " " + std::to_string(type));
  }
  void pairReplaced(std::size_t index, std::int64_t rows) override {
    events.push_back("replaced " + std::to_string(index) + " " + std::to_string(rows));
  }
  void pairFailed(std::size_t index, const RunFailure& failure) override {
    events.push_back("failed " + std::to_string(index) + " " + stageName(failure.stage) + " " +
                     failure.description);
  }
  void committed(std::int64_t total) override {
    events.push_back("committed " + std::to_string(total));
  }
  void rolledBack(std::int64_t total, const std::optional<RunFailure>& failure) override {
    events.push_back("rolledBack " + std::to_string(total) + " " +
                     (failure ? stageName(failure->stage) : "-"));
  }
  void commitFailed(const RunFailure& failure) override {
    events.push_back("commitFailed " + failure.description);
  }
  void rollbackFailed(const std::string& description) override {
    events.push_back("rollbackFailed " + description);
  }

  Strings events;
  std::function<void(std::size_t)> on_start;
};

const RunTarget kTarget{"住所", "郵便番号"};
const std::vector<RunPair> kThreePairs = {
    {"100-0001", "100-0002"}, {"999-9999", "999-0000"}, {"100-0003", "100-0004"}};

TEST(ReplacementRun, EveryPairInOrderThenCommitWithTheTotal) {
  FakeDatabaseConnection db;
  db.update_rows = {2, 0, 1500};
  Recorder observer;
  const RunResult result = runReplacement(db, kTarget, kThreePairs, observer);

  EXPECT_EQ(result.outcome, RunOutcome::committed);
  EXPECT_EQ(result.counts, (std::vector<std::int64_t>{2, 0, 1500}));
  EXPECT_EQ(result.total, 1502);
  EXPECT_FALSE(result.failure);
  EXPECT_EQ(observer.events, (Strings{"began", "start 0 100-0001->100-0002", "probed 0 202",
                                      "replaced 0 2", "start 1 999-9999->999-0000", "probed 1 202",
                                      "replaced 1 0", "start 2 100-0003->100-0004", "probed 2 202",
                                      "replaced 2 1500", "committed 1502"}));
  EXPECT_EQ(db.callKinds(),
            (Strings{"begin", "probe", "update", "probe", "update", "probe", "update", "commit"}));
  EXPECT_EQ(db.calls[1], "probe SELECT 郵便番号\r FROM 住所\r WHERE 1=0\r");
  EXPECT_EQ(db.calls[2],
            "update UPDATE 住所\r SET 郵便番号 = '100-0002' WHERE 郵便番号 = '100-0001'");
}

TEST(ReplacementRun, NoPairsCommitAnEmptyTransaction) {
  FakeDatabaseConnection db;
  Recorder observer;
  const RunResult result = runReplacement(db, kTarget, {}, observer);
  EXPECT_EQ(result.outcome, RunOutcome::committed);
  EXPECT_EQ(observer.events, (Strings{"began", "committed 0"}));
  EXPECT_EQ(db.callKinds(), (Strings{"begin", "commit"}));
}

TEST(ReplacementRun, EachFailureStopsTheRunAndRollsBack) {
  struct Case {
    std::string name;
    std::function<void(FakeDatabaseConnection&)> script;
    std::vector<RunPair> pairs;
    RunStage stage;
    std::optional<std::size_t> pair_index;
    std::string description;
    std::vector<std::int64_t> counts;
    Strings events;  // after "began" and the first pair's four
    Strings calls;
  };
  const std::vector<RunPair> two = {{"100-0001", "100-0002"}, {"100-0003", "bad"}};
  const Strings first = {"began", "start 0 100-0001->100-0002", "probed 0 202", "replaced 0 2"};
  const std::vector<Case> cases = {
      {"begin",
       [](auto& db) { db.fail_begin = DatabaseError("database is locked"); },
       two,
       RunStage::begin,
       std::nullopt,
       "database is locked",
       {},
       {},
       {"begin"}},
      {"probe",
       [](auto& db) { db.fail_probe.emplace(1, DatabaseError("no such column: 郵便番号")); },
       two,
       RunStage::probe,
       1,
       "no such column: 郵便番号",
       {2},
       {"start 1 100-0003->bad", "failed 1 probe no such column: 郵便番号", "rolledBack 2 probe"},
       {"begin", "probe", "update", "probe", "rollback"}},
      {"update",
       [](auto& db) { db.fail_update.emplace(1, DatabaseError("CHECK constraint failed")); },
       two,
       RunStage::update,
       1,
       "CHECK constraint failed",
       {2},
       {"start 1 100-0003->bad", "probed 1 202", "failed 1 update CHECK constraint failed",
        "rolledBack 2 update"},
       {"begin", "probe", "update", "probe", "update", "rollback"}},
      {"not a number for a numeric field",
       [](auto& db) { db.column_type = ado::adInteger; },
       {{"1000001", "1000002"}, {"100-0003", "1000004"}},
       RunStage::refused,
       1,
       "「100-0003」は数値ではないため、数値型のフィールド「郵便番号」の置換に使えません。",
       {2},
       {"start 1 100-0003->1000004", "probed 1 3",
        "failed 1 refused "
        "「100-0003」は数値ではないため、数値型のフィールド「郵便番号」の置換に使えません。",
        "rolledBack 2 refused"},
       {"begin", "probe", "update", "probe", "rollback"}},
      {"undecodable bytes never reach the data source",
       [](auto&) {},
       {{"100-0001", "100-0002"}, {"100-0003", "100-\xEF\xBF\xBD"}},
       RunStage::refused,
       1,
       "コード「100-\xEF\xBF\xBD」には文字として読めないバイトが含まれています。",
       {2},
       {"start 1 100-0003->100-\xEF\xBF\xBD",
        "failed 1 refused コード「100-\xEF\xBF\xBD」には文字として読めないバイトが含まれています。",
        "rolledBack 2 refused"},
       {"begin", "probe", "update", "rollback"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeDatabaseConnection db;
    db.update_rows = {2, 5};
    c.script(db);
    Recorder observer;
    const RunResult result = runReplacement(db, kTarget, c.pairs, observer);
    EXPECT_EQ(result.outcome, RunOutcome::failed);
    ASSERT_TRUE(result.failure);
    EXPECT_EQ(result.failure->stage, c.stage);
    EXPECT_EQ(result.failure->pair_index, c.pair_index);
    EXPECT_EQ(result.failure->description, c.description);
    EXPECT_EQ(result.failure->error.has_value(),
              c.stage != RunStage::refused && c.stage != RunStage::interrupted);
    EXPECT_EQ(result.counts, c.counts);
    EXPECT_FALSE(result.rollback_failure);
    Strings events = c.events;
    if (c.stage != RunStage::begin) {
      Strings expected = first;
      if (c.pairs[0].old_code == "1000001") {
        expected = {"began", "start 0 1000001->1000002", "probed 0 3", "replaced 0 2"};
      }
      expected.insert(expected.end(), events.begin(), events.end());
      events = expected;
    }
    EXPECT_EQ(observer.events, events);
    EXPECT_EQ(db.callKinds(), c.calls);
  }
}

TEST(ReplacementRun, AFailedCommitIsNoSuccessAndIsRolledBack) {
  for (const bool rollback_fails : {false, true}) {
    SCOPED_TRACE(rollback_fails);
    FakeDatabaseConnection db;
    db.update_rows = {2, 0, 1};
    db.fail_commit = DatabaseError("disk I/O error", DatabaseErrorCategory::other, "HY000", 10);
    if (rollback_fails) db.fail_rollback = DatabaseError("no transaction is active");
    Recorder observer;
    const RunResult result = runReplacement(db, kTarget, kThreePairs, observer);

    EXPECT_EQ(result.outcome, RunOutcome::failed);
    ASSERT_TRUE(result.failure);
    EXPECT_EQ(result.failure->stage, RunStage::commit);
    EXPECT_FALSE(result.failure->pair_index);
    ASSERT_TRUE(result.failure->error);
    EXPECT_EQ(result.failure->error->sqlState(), "HY000");
    EXPECT_EQ(result.failure->error->nativeCode(), 10);
    EXPECT_EQ(result.counts, (std::vector<std::int64_t>{2, 0, 1}));
    Strings tail = {"commitFailed disk I/O error"};
    if (rollback_fails) tail.push_back("rollbackFailed no transaction is active");
    EXPECT_EQ(
        Strings(observer.events.end() - static_cast<long>(tail.size()), observer.events.end()),
        tail);
    EXPECT_EQ(result.rollback_failure.has_value(), rollback_fails);
    EXPECT_EQ(Strings(db.calls.end() - 2, db.calls.end()), (Strings{"commit", "rollback"}));
  }
}

TEST(ReplacementRun, AFailedRollbackAfterAFailedPairIsKeptAndTold) {
  FakeDatabaseConnection db;
  db.fail_update.emplace(0, DatabaseError("constraint failed"));
  db.fail_rollback = DatabaseError("connection lost");
  Recorder observer;
  const RunResult result = runReplacement(db, kTarget, kThreePairs, observer);
  EXPECT_EQ(result.outcome, RunOutcome::failed);
  EXPECT_EQ(result.failure->stage, RunStage::update);
  EXPECT_EQ(result.rollback_failure, "connection lost");
  EXPECT_EQ(observer.events.back(), "rollbackFailed connection lost");
}

TEST(ReplacementRun, DryRunCountsEverythingThenRollsBack) {
  FakeDatabaseConnection db;
  db.update_rows = {2, 0, 1500};
  Recorder observer;
  const RunResult result =
      runReplacement(db, kTarget, kThreePairs, observer, {RunMode::dryRun, nullptr});
  EXPECT_EQ(result.outcome, RunOutcome::rolledBack);
  EXPECT_EQ(result.total, 1502);
  EXPECT_FALSE(result.failure);
  EXPECT_EQ(observer.events.back(), "rolledBack 1502 -");
  EXPECT_EQ(db.calls.back(), "rollback");
  for (const std::string& call : db.calls) EXPECT_NE(call, "commit");

  // A dry run whose rollback fails has not left the data as it was: it failed.
  FakeDatabaseConnection failing;
  failing.fail_rollback = DatabaseError("disk I/O error");
  const RunResult failed =
      runReplacement(failing, kTarget, kThreePairs, observer, {RunMode::dryRun, nullptr});
  EXPECT_EQ(failed.outcome, RunOutcome::failed);
  ASSERT_TRUE(failed.failure);
  EXPECT_EQ(failed.failure->stage, RunStage::commit);
  EXPECT_EQ(failed.rollback_failure, "disk I/O error");
}

TEST(ReplacementRun, AStopRequestEndsTheRunAsInterruptedAndRollsBack) {
  struct Case {
    std::string name;
    std::function<void(FakeDatabaseConnection&, Recorder&, std::atomic<bool>&)> script;
    std::optional<std::size_t> pair_index;
    std::string description;
    std::vector<std::int64_t> counts;
    Strings calls;
  };
  const std::vector<Case> cases = {
      {"between pairs",
       [](auto&, Recorder& observer, std::atomic<bool>& stop) {
         observer.on_start = [&stop](std::size_t index) {
           if (index == 0) stop = true;
         };
       },
       1,
       "The run was interrupted; nothing was committed.",
       {2},
       {"begin", "probe", "update", "rollback"}},
      {"during an UPDATE, which the data source cuts short",
       [](FakeDatabaseConnection& db, Recorder&, std::atomic<bool>& stop) {
         db.during_update = [&db, &stop](std::size_t number) {
           if (number != 1) return;
           stop = true;
           db.interrupt();
           db.fail_update.emplace(1,
                                  DatabaseError("interrupted", DatabaseErrorCategory::interrupted));
         };
       },
       1,
       "interrupted",
       {2},
       {"begin", "probe", "update", "probe", "update", "rollback"}},
      {"after the last pair, before the commit",
       [](FakeDatabaseConnection& db, Recorder&, std::atomic<bool>& stop) {
         db.during_update = [&stop](std::size_t number) {
           if (number == 2) stop = true;
         };
       },
       std::nullopt,
       "The run was interrupted; nothing was committed.",
       {2, 0, 1},
       {"begin", "probe", "update", "probe", "update", "probe", "update", "rollback"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeDatabaseConnection db;
    db.update_rows = {2, 0, 1};
    Recorder observer;
    std::atomic<bool> stop = false;
    c.script(db, observer, stop);
    const RunResult result =
        runReplacement(db, kTarget, kThreePairs, observer, {RunMode::commit, &stop});
    EXPECT_EQ(result.outcome, RunOutcome::failed);
    ASSERT_TRUE(result.failure);
    EXPECT_EQ(result.failure->stage, RunStage::interrupted);
    EXPECT_EQ(result.failure->pair_index, c.pair_index);
    EXPECT_EQ(result.failure->description, c.description);
    EXPECT_EQ(result.counts, c.counts);
    EXPECT_EQ(db.callKinds(), c.calls);
    EXPECT_EQ(observer.events.back(),
              "rolledBack " + std::to_string(result.total) + " interrupted");
  }
}

TEST(ReplacementRun, AnObserverThatThrowsLeavesNothingCommitted) {
  FakeDatabaseConnection db;
  Recorder observer;
  observer.on_start = [](std::size_t index) {
    if (index == 1) throw std::runtime_error("window gone");
  };
  EXPECT_THROW(runReplacement(db, kTarget, kThreePairs, observer), std::runtime_error);
  EXPECT_EQ(db.callKinds(), (Strings{"begin", "probe", "update", "rollback"}));
}

TEST(TransactionGuard, RollsBackUnlessEndedAndEndsOnlyOnce) {
  FakeDatabaseConnection db;
  { TransactionGuard transaction(db); }
  EXPECT_EQ(db.calls, (Strings{"begin", "rollback"}));

  db.calls.clear();
  {
    TransactionGuard transaction(db);
    transaction.commit();
    EXPECT_FALSE(transaction.active());
    EXPECT_THROW(transaction.commit(), std::logic_error);
    EXPECT_THROW(transaction.rollback(), std::logic_error);
  }
  EXPECT_EQ(db.calls, (Strings{"begin", "commit"}));

  // A commit that fails leaves the transaction to be rolled back.
  db.calls.clear();
  db.fail_commit = DatabaseError("disk full");
  {
    TransactionGuard transaction(db);
    EXPECT_THROW(transaction.commit(), DatabaseError);
    EXPECT_TRUE(transaction.active());
  }
  EXPECT_EQ(db.calls, (Strings{"begin", "commit", "rollback"}));

  // A rollback that fails is not tried again, and the destructor never throws.
  db.calls.clear();
  db.fail_rollback = DatabaseError("gone");
  {
    TransactionGuard transaction(db);
    EXPECT_THROW(transaction.rollback(), DatabaseError);
    EXPECT_FALSE(transaction.active());
  }
  { TransactionGuard transaction(db); }
  EXPECT_EQ(db.calls, (Strings{"begin", "rollback", "begin", "rollback"}));

  db.fail_begin = DatabaseError("locked");
  EXPECT_THROW(TransactionGuard{db}, DatabaseError);
}

TEST(ReviewRunPairs, NamesThePairsByTheirPositionInTheRun) {
  const std::vector<PairFinding> findings =
      reviewRunPairs({{"100-0001", "100-0002"}, {"100-0003", ""}});
  ASSERT_EQ(findings.size(), 1u);
  EXPECT_EQ(findings[0].kind, PairFindingKind::emptiesField);
  EXPECT_EQ(findings[0].position, 2);
}

}  // namespace
}  // namespace norvel
