#pragma once

#include <string>
#include <vector>

#include "app/sample/postal_csv.h"
#include "pairs/pair_line.h"

namespace norvel::sample {

// Pairs of real codes from the list: the codes that the most addresses share (ties by code),
// each replaced by the next higher code of the list that is not replaced itself, so that no
// pair undoes or repeats another. Ordered by old code.
std::vector<PairCodes> choosePairs(const PostalCsv& csv, std::size_t count);

}  // namespace norvel::sample
