#include "engine/run_pair_review.h"

namespace norvel {

std::vector<PairFinding> reviewRunPairs(const std::vector<RunPair>& pairs) {
  clsInfCol collection;
  for (const RunPair& pair : pairs) {
    clsInf& item = collection.AddItem();
    item.s01 = pair.old_code;
    item.s02 = pair.new_code;
  }
  return reviewPairList(collection);
}

}  // namespace norvel
