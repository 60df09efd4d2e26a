#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/failure_reason.h"
#include "engine/run_journal.h"
#include "pairs/pair_line.h"
#include "pairs/pair_list_review.h"
#include "platform/database.h"

namespace norvel {

// What the run changes: one field of one table, by the names the catalog gave.
struct RunTarget {
  std::string table;
  std::string field;
};

// One pair as the run reads it: the codes exactly as typed or read from the file.
using RunPair = PairCodes;

enum class RunMode {
  commit,  // commit when every pair succeeded
  dryRun,  // run every pair, then roll back: the counts of a real run, nothing changed
};

// How the pairs reach the data source. Both give the same status, counts and data.
enum class RunStrategy {
  // Where the data source allows it, a temporary table of the pairs, the list followed over
  // classes of equal codes (by the field's own equality) and one UPDATE … FROM: one scan of an
  // unindexed field instead of one per pair. Otherwise the pairs one by one.
  automatic,
  perPair,  // a probe and an UPDATE per pair, always
};

// Where a run stopped.
enum class RunStage {
  begin,        // the transaction could not be begun; no pair was attempted
  refused,      // a code was refused before it reached the data source (not a number for a
                // numeric field, undecodable bytes, a control character)
  probe,        // the probe of the field's type failed
  update,       // the UPDATE failed
  interrupted,  // the run was asked to stop, between pairs or during one
  setBased,     // the set-based statements failed in a way that belongs to no pair and could
                // not be undone to let the pairs run one by one
  commit,       // every pair succeeded but ending the transaction (the commit, or the dry
                // run's rollback) failed
};

struct RunFailure {
  RunStage stage = RunStage::update;
  std::optional<std::size_t> pair_index;  // from 0; none for begin and commit
  // The data source's own text, or the refusal in the window's words; never empty. An
  // interruption has the catalogue's English words here, for logs and tests: a front end words
  // the stage itself.
  std::string description;
  std::optional<DatabaseError> error;  // the data source's error, when it raised one
  // Why a pair or a name was refused, for the catalogue to word in the user's language.
  std::optional<FailureReason> reason = std::nullopt;
};

enum class RunOutcome {
  committed,
  rolledBack,  // a dry run that went through: every pair counted, nothing changed
  failed,
};

struct RunResult {
  RunOutcome outcome = RunOutcome::failed;
  std::vector<std::int64_t> counts;  // rows replaced per pair that succeeded, in order
  std::int64_t total = 0;
  bool by_mapping = false;  // the pairs were applied by the set-based statements
  // The table's definition kept the automatic strategy from the set-based statements.
  PerPairCause per_pair_cause = PerPairCause::none;
  std::optional<RunFailure> failure;
  // The rollback after a failure failed as well: the run still failed, and the data source
  // may keep the transaction until the connection closes.
  std::optional<std::string> rollback_failure;
};

// Told about the run as it goes, on the run's thread. Per pair: pairStarted, then pairReplaced
// or pairFailed. Then one of: committed; rolledBack (after a failure, an interruption or a dry
// run); commitFailed followed by the attempt to roll back; and rollbackFailed whenever a
// rollback failed. A failed begin is told by the result alone.
class RunObserver {
 public:
  virtual ~RunObserver() = default;
  virtual void began() {}  // the transaction is open
  // Right after began: chains, cycles and repeated old codes among the pairs (and the other
  // findings of reviewPairList), by position from 1, before any pair is applied.
  virtual void pairsReviewed(const std::vector<PairFinding>& /*findings*/) {}
  // Before the first pair, when the automatic strategy applies the pairs one by one because of
  // what the table holds (triggers, unique indexes), so that a check can say why.
  virtual void runsPairByPair(PerPairCause /*cause*/) {}
  virtual void pairStarted(std::size_t /*index*/, const RunPair& /*pair*/) {}
  virtual void probed(std::size_t /*index*/, int /*ado_type*/) {}
  virtual void pairReplaced(std::size_t /*index*/, std::int64_t /*rows*/) {}
  virtual void pairFailed(std::size_t /*index*/, const RunFailure& /*failure*/) {}
  virtual void committed(std::int64_t /*total*/) {}
  virtual void rolledBack(std::int64_t /*total*/, const std::optional<RunFailure>& /*failure*/) {}
  virtual void commitFailed(const RunFailure& /*failure*/) {}
  // A failure that belongs to no pair (RunStage::setBased), before the rollback.
  virtual void runFailed(const RunFailure& /*failure*/) {}
  virtual void rollbackFailed(const std::string& /*description*/) {}
};

struct RunOptions {
  RunMode mode = RunMode::commit;
  // Set from another thread (a signal watcher) to stop the run; pair it with
  // DatabaseConnection::interrupt() to cut a running statement short.
  const std::atomic<bool>* stop = nullptr;
  RunStrategy strategy = RunStrategy::automatic;
  // The review of these pairs the caller made already (norvel-batch, before deciding to run), so
  // that it is made once; the run makes it otherwise.
  const std::vector<PairFinding>* findings = nullptr;
  // A committing run hands the rows it changes to the journal, which must keep them before the
  // COMMIT: each pair's rows as they were right before it, however the pairs were applied.
  RunJournal* journal = nullptr;

  bool journalsRows() const {
    return journal != nullptr && mode == RunMode::commit && !journal->identityColumns().empty();
  }

  bool stopRequested() const { return stop != nullptr && stop->load(); }
};

// Runs the pairs in order inside one transaction on the connection: per pair the codes are
// checked, the field's type probed and one UPDATE executed; the first failure stops the run and
// rolls everything back. The automatic strategy gets the same outcome from fewer statements
// where it can; the observer is then told of the pairs once every one has been applied. Throws only
// what the observer throws (the transaction is then rolled back).
RunResult runReplacement(DatabaseConnection& connection, const RunTarget& target,
                         const std::vector<RunPair>& pairs, RunObserver& observer,
                         const RunOptions& options = {});

}  // namespace norvel
