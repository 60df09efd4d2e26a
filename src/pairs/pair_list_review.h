#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pairs/cls_inf_col.h"

namespace norvel {

// What a look over the pair list before a run can point out. None of them stops a run by itself;
// each is a pair the user may not have meant.
enum class PairFindingKind {
  emptiesField,  // the new code is empty (not the explicit NULL): the run empties the field
};

struct PairFinding {
  PairFindingKind kind;
  std::int32_t position;  // of the pair in the collection, from 1
  std::string text;       // for the user
};

// The findings over the whole list, by position, and for one position in the order of the kinds.
std::vector<PairFinding> ReviewPairList(const clsInfCol& pairs);

}  // namespace norvel
