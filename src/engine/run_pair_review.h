#pragma once

#include <vector>

#include "engine/replacement_run.h"
#include "pairs/pair_list_review.h"

namespace norvel {

// The findings of reviewPairList over the pairs a run is given, by position from 1: what a
// front end points out before the run starts.
std::vector<PairFinding> reviewRunPairs(const std::vector<RunPair>& pairs);

}  // namespace norvel
