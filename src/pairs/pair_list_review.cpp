#include "pairs/pair_list_review.h"

#include <optional>

#include "engine/number_text.h"
#include "pairs/code_check.h"
#include "pairs/pair_line.h"

namespace norvel {
namespace {

std::string pairNamed(std::int32_t position, const clsInf& pair) {
  return FormatCount(position) + " 番目の置換ペア「" +
         ControlCharsEscaped(PairDisplayLine(pair.s01, pair.s02)) + "」";
}

// Typing NULL says the field is to be emptied; an empty new code may only be a forgotten one.
std::optional<PairFinding> emptiesField(std::int32_t position, const clsInf& pair) {
  if (!pair.s02.empty()) return std::nullopt;
  return PairFinding{
      PairFindingKind::emptiesField, position,
      pairNamed(position, pair) + "は置換先が空です。該当するフィールドは空（NULL）になります。"};
}

}  // namespace

std::vector<PairFinding> ReviewPairList(const clsInfCol& pairs) {
  std::vector<PairFinding> findings;
  for (std::int32_t position = 1; position <= pairs.GetSize(); ++position) {
    const clsInf& pair = pairs.GetItem(position);
    if (auto finding = emptiesField(position, pair)) findings.push_back(std::move(*finding));
  }
  return findings;
}

}  // namespace norvel
