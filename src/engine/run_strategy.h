#pragma once

#include <cstddef>

#include "engine/replacement_run.h"

namespace norvel {

// The thresholds of the automatic strategy, in one place.

// The set-based statements cost a few round trips and, where the data source cannot count from
// the UPDATE, a second read of the field (a histogram): two pairs gain nothing.
inline constexpr std::size_t kPairsWorthSetBased = 3;
// Building an index on a private copy reads and sorts the field once; below this many pairs
// plain scans are as quick.
inline constexpr std::size_t kPairsWorthAnIndex = 8;

inline bool setBasedWorthTrying(const RunOptions& options, std::size_t pairs) {
  return options.strategy == RunStrategy::automatic && pairs >= kPairsWorthSetBased;
}

inline bool indexWorthBuilding(const RunOptions& options, std::size_t pairs) {
  return options.strategy == RunStrategy::automatic && pairs >= kPairsWorthAnIndex;
}

}  // namespace norvel
