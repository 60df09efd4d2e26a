#include "engine/pair_plan.h"

#include <utility>

#include "pairs/code_check.h"

namespace norvel {

std::optional<std::string> refusalOfCodes(const RunPair& pair) {
  for (const std::string* code : {&pair.old_code, &pair.new_code}) {
    if (auto reason = unusableCodeReason(*code)) return reason;
  }
  return std::nullopt;
}

PairPlan planPair(const RunPair& pair, int column_type, std::string_view field) {
  PairPlan plan;
  if (auto reason = refusalOfCodes(pair)) {
    plan.refusal = std::move(*reason);
    return plan;
  }
  std::string problem;
  plan.values = valuesOfPair(column_type, pair.old_code, pair.new_code, problem);
  if (!plan.values) {
    plan.refusal = "「" + problem + "」は数値ではないため、数値型のフィールド「" +
                   std::string(field) + "」の置換に使えません。";
  }
  return plan;
}

}  // namespace norvel
