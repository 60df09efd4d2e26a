#include "engine/pair_plan.h"

#include <utility>

#include "pairs/code_check.h"

namespace norvel {

std::optional<FailureReason> refusalOfCodes(const RunPair& pair) {
  for (const std::string* code : {&pair.old_code, &pair.new_code}) {
    if (auto problem = codeProblemOf(*code)) return reasonOfCode(*problem, *code);
  }
  return std::nullopt;
}

PairPlan planPair(const RunPair& pair, int column_type, std::string_view field) {
  PairPlan plan;
  if (auto reason = refusalOfCodes(pair)) {
    plan.refusal = std::move(reason);
    return plan;
  }
  std::string problem;
  plan.values = valuesOfPair(column_type, pair.old_code, pair.new_code, problem);
  if (!plan.values) {
    plan.refusal = FailureReason{FailureReasonKind::notANumber, problem, std::string(field)};
  }
  return plan;
}

}  // namespace norvel
