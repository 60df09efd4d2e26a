#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace norvel {

struct RunResult;

// One row a pair changed, as it was before that pair: its identity (one value per identity
// column, as text) and the field's value.
struct JournaledRow {
  std::vector<std::optional<std::string>> identity;
  std::optional<std::string> old_value;
};

// Receives the rows a committing run changes, inside its transaction, and must have them on
// disk before the run commits: what it cannot keep rolls the run back.
class RunJournal {
 public:
  virtual ~RunJournal() = default;

  // The columns that name a row of the table; empty where the table has none the run can use
  // (the journal then holds the counts only, and the run may apply its pairs as it likes).
  virtual const std::vector<std::string>& identityColumns() const = 0;
  // In pair order, before the pair's UPDATE, the rows it is about to change.
  virtual void rowsOfPair(std::size_t pair_index, std::vector<JournaledRow> rows) = 0;
  // Every pair applied, right before the COMMIT. Throws (with the system's text) when the
  // journal cannot be made complete and durable; the run is then rolled back.
  virtual void complete(const RunResult& result) = 0;
};

}  // namespace norvel
