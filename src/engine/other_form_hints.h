#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/replacement_run.h"
#include "platform/database.h"

namespace norvel {

// A pair that matched no row while the field holds its old code written another way (with or
// without the hyphen, in full-width digits): the codes are used exactly as typed, so the user
// is told rather than the code being changed.
struct CodeForm {
  std::string form;  // as the field holds it
  std::int64_t rows = 0;
};

// As the catalogue words it (otherFormHintText).
struct OtherFormHint {
  std::size_t pair_index = 0;  // from 0
  RunPair codes;
  std::vector<CodeForm> forms;  // most rows first
};

// For the pairs whose count is 0, over a text field, on the connection as it is now (after a dry
// run, the data as it was): one read-only query for up to a thousand such pairs, so that an
// unindexed field is read once; pair by pair where the data source refuses so long a query. A
// query refused otherwise ends the search: the hints are advice, and the run's outcome stands
// as reported.
std::vector<OtherFormHint> findOtherFormHints(DatabaseConnection& connection,
                                              const RunTarget& target,
                                              const std::vector<RunPair>& pairs,
                                              const std::vector<std::int64_t>& counts);

}  // namespace norvel
