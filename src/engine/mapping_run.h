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
  int column_type = 0;
  std::optional<RunFailure> failure;
  // The table's definition ruled the attempt out (notApplicable).
  PerPairCause per_pair_cause = PerPairCause::none;
};

// Applies the pairs with one UPDATE … FROM per stretch between pairs whose old code is NULL,
// counted by the UPDATE itself where the data source returns its changes (PostgreSQL) and by a
// histogram checked against the UPDATE's count elsewhere, where that is exactly the per-pair
// run: no old code equals an earlier pair's old or new code by the field's own equality (which
// the data source itself checks), no trigger fires on the UPDATE and no unique index holds the
// field. Any doubt or failure rolls back to a savepoint taken first and leaves the pairs to the
// per-pair run, which then meets the same failure at the same pair.
MappingOutcome applyByMapping(DatabaseConnection& connection, const RunTarget& target,
                              const std::vector<RunPair>& pairs, const RunOptions& options);

}  // namespace norvel
