#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/replacement_run.h"

namespace norvel {

// What the set-based attempt came to, inside the run's open transaction.
struct MappingOutcome {
  enum class Kind {
    applied,          // every pair applied: counts and column_type hold what the per-pair run
                      // would have reported
    notApplicable,    // nothing changed: the pairs are to be applied one by one
    transactionLost,  // the data source ended the transaction itself when the attempt failed
                      // (SQLite on a full disk): nothing changed, the pairs are to be applied one
                      // by one in a new transaction
    failed,           // stopped, or what it changed could not be undone: failure says why
  };
  Kind kind = Kind::notApplicable;
  std::vector<std::int64_t> counts;
  // Per pair, the rows it changed as the per-pair run would have read them, when the run's
  // journal keeps rows (applied).
  std::vector<std::vector<JournaledRow>> rows_of_pairs;
  int column_type = 0;
  std::optional<RunFailure> failure;
  // The table's definition ruled the attempt out (notApplicable).
  PerPairCause per_pair_cause = PerPairCause::none;
};

// Applies the pairs as the per-pair run would, in one UPDATE … FROM: the data source relates the
// old and new codes by the field's own equality, the list is followed over classes of rows
// (chains, cycles, repeats and NULL pairs included), and each class is set to its last value
// (the rows that are NULL before the run by a statement of their own). The rows each class held
// come from the UPDATE itself where the data source can tell (PostgreSQL's RETURNING, a
// counting function on SQLite), from a histogram checked against the UPDATE's count elsewhere.
// Not taken when a trigger fires on the UPDATE or a unique index holds the field. Any doubt or
// failure rolls back to a savepoint taken first and leaves the pairs to the per-pair run, which
// then meets the same failure at the same pair.
MappingOutcome applyByMapping(DatabaseConnection& connection, const RunTarget& target,
                              const std::vector<RunPair>& pairs, const RunOptions& options);

}  // namespace norvel
