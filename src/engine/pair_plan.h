#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "engine/failure_reason.h"
#include "engine/replacement_run.h"
#include "engine/sql_text.h"

namespace norvel {

// What the run does with one pair, by the same rules whichever strategy applies it: the pair's
// values, or why the pair is refused before any statement of it reaches the data source.
struct PairPlan {
  std::optional<PairValues> values;      // none: refused
  std::optional<FailureReason> refusal;  // when refused
};

// Known before the probe: undecodable bytes of the pair list file or a control character.
std::optional<FailureReason> refusalOfCodes(const RunPair& pair);

// With the field's type known: refusalOfCodes, then a code that is not wholly a number for a
// numeric field (writing its leading number, 100 for «100-0001», would corrupt the data).
PairPlan planPair(const RunPair& pair, int column_type, std::string_view field);

}  // namespace norvel
