#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "engine/pair_composition.h"
#include "engine/run_journal.h"
#include "platform/database.h"

namespace norvel {

// The rows of a set-based run that a journal keeps, gathered per group of rows as they were
// before the run and handed out per pair as the per-pair run would have read them.
class MappingJournal {
 public:
  explicit MappingJournal(std::size_t groups) : rows_of_group_(groups) {}

  // Rows of the form (group, identity…, field), the group as the code table's position.
  void addRowsOfGroups(const QueryRows& rows, std::size_t identity_columns);
  // Rows of the form (identity…, field), all of one group.
  void addRowsOfGroup(std::size_t group, const QueryRows& rows, std::size_t identity_columns);

  std::size_t rowsOfGroup(std::size_t group) const { return rows_of_group_[group].size(); }

  // Per pair, the rows it changes with their value right before it: a row's own value for the
  // first pair that moves it, the earlier pair's new code as the field stores it (`stored_new`,
  // by position) for every later one.
  std::vector<std::vector<JournaledRow>> rowsOfPairs(
      const PairComposition& composition,
      const std::vector<std::optional<std::string>>& stored_new) const;

 private:
  std::vector<std::vector<JournaledRow>> rows_of_group_;
};

}  // namespace norvel
