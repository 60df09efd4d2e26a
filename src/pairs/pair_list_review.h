#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pairs/cls_inf_col.h"
#include "pairs/pair_line.h"

namespace norvel {

// What a look over the pair list before a run can point out. None of them stops a run by itself;
// each is a pair the user may not have meant.
enum class PairFindingKind {
  headerLine,    // the first pair looks like a column header ("old,new", "旧,新")
  emptiesField,  // the new code is empty (not the explicit NULL): the run empties the field
  blanksAround,  // a code begins or ends with blanks, which the run keeps
  // Between pairs, as the run applies them in order (codes compared as typed; NULL and the
  // empty code are left out):
  repeatedOldCode,  // the old code of an earlier pair: its rows are changed already
  chain,            // the old code is an earlier pair's new code: those rows change twice
  cycle,            // a chain that leads back to a code it started from: all end as one code
};

// Which codes of a pair begin or end with blanks.
enum class BlankSide { oldCode, newCode, both };

// A finding as the catalogue words it (pairFindingText): the kind and what it names.
struct PairFinding {
  PairFindingKind kind;
  std::int32_t position;     // of the pair in the collection, from 1
  PairCodes codes;           // the pair's codes as typed
  std::int32_t earlier = 0;  // for the kinds between pairs, the earlier pair meant, from 1
  BlankSide blanks = BlankSide::both;  // for blanksAround
};

// The findings over the whole list, by position, and for one position in the order of the kinds.
std::vector<PairFinding> reviewPairList(const clsInfCol& pairs);

}  // namespace norvel
