#include "pairs/pair_list_review.h"

#include <map>
#include <optional>

namespace norvel {
namespace {

PairFinding findingOf(PairFindingKind kind, std::int32_t position, const clsInf& pair,
                      std::int32_t earlier = 0) {
  return PairFinding{kind, position, {pair.s01, pair.s02}, earlier};
}

// Typing NULL says the field is to be emptied; an empty new code may only be a forgotten one.
std::optional<PairFinding> emptiesField(std::int32_t position, const clsInf& pair) {
  if (!pair.s02.empty()) return std::nullopt;
  return findingOf(PairFindingKind::emptiesField, position, pair);
}

// A blank the user does not see: the ASCII one, the ideographic one (U+3000) and tabs.
bool startsOrEndsWithBlank(std::string_view code) {
  constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80";
  const auto blank_at_start = [&] {
    return code.front() == ' ' || code.front() == '\t' || code.starts_with(kIdeographicSpace);
  };
  const auto blank_at_end = [&] {
    return code.back() == ' ' || code.back() == '\t' || code.ends_with(kIdeographicSpace);
  };
  return !code.empty() && (blank_at_start() || blank_at_end());
}

std::optional<PairFinding> blanksAround(std::int32_t position, const clsInf& pair) {
  const bool old_code = startsOrEndsWithBlank(pair.s01);
  const bool new_code = startsOrEndsWithBlank(pair.s02);
  if (!old_code && !new_code) return std::nullopt;
  PairFinding finding = findingOf(PairFindingKind::blanksAround, position, pair);
  finding.blanks = old_code && new_code ? BlankSide::both
                   : old_code           ? BlankSide::oldCode
                                        : BlankSide::newCode;
  return finding;
}

bool hasDigit(std::string_view code) {
  constexpr std::string_view kFullWidthDigits[] = {"０", "１", "２", "３", "４",
                                                   "５", "６", "７", "８", "９"};
  for (const char c : code) {
    if (c >= '0' && c <= '9') return true;
  }
  for (const std::string_view digit : kFullWidthDigits) {
    if (code.find(digit) != std::string_view::npos) return true;
  }
  return false;
}

// Column titles such as "old,new", "旧,新" or "置換元,置換先" saved from a spreadsheet: no code
// without a digit is a postal code, and NULL or an empty code mean something of their own.
std::optional<PairFinding> headerLine(std::int32_t position, const clsInf& pair) {
  if (position != 1 || pair.s01.empty() || pair.s02.empty() || pair.s01 == "NULL" ||
      pair.s02 == "NULL" || hasDigit(pair.s01) || hasDigit(pair.s02)) {
    return std::nullopt;
  }
  return findingOf(PairFindingKind::headerLine, position, pair);
}

// NULL and the empty code are left out: emptying a field and then filling the empty ones is
// what such a list plainly says.
bool isNull(const std::string& code) {
  return code.empty() || code == "NULL";
}

// Looks at each pair against the ones before it, in the order the run applies them.
class PairSequence {
 public:
  explicit PairSequence(const clsInfCol& pairs) : pairs_(pairs) {}

  std::vector<PairFinding> findingsFor(std::int32_t position) {
    const clsInf& pair = pairs_.GetItem(position);
    std::vector<PairFinding> findings;
    if (isNull(pair.s01)) return findings;
    const std::string& old_value = pair.s01;
    const std::string& new_value = pair.s02;
    if (auto first = first_old_.find(old_value); first != first_old_.end()) {
      findings.push_back(
          findingOf(PairFindingKind::repeatedOldCode, position, pair, first->second));
    }
    if (const std::int32_t producer = lastProducer(old_value, position); producer != 0) {
      if (leadsBackTo(new_value, old_value, position)) {
        findings.push_back(findingOf(PairFindingKind::cycle, position, pair, producer));
      } else {
        findings.push_back(findingOf(PairFindingKind::chain, position, pair, producer));
      }
    }
    first_old_.emplace(old_value, position);
    if (!isNull(new_value)) producers_[new_value].push_back(position);
    return findings;
  }

 private:
  // The last pair before `before` that wrote `value`; 0 when none did.
  std::int32_t lastProducer(const std::string& value, std::int32_t before) const {
    const auto found = producers_.find(value);
    if (found == producers_.end()) return 0;
    for (auto it = found->second.rbegin(); it != found->second.rend(); ++it) {
      if (*it < before) return *it;
    }
    return 0;
  }

  // Whether the rows holding `value` at `before` came, through earlier pairs, from `target`.
  // Each step goes to an earlier pair, so the walk ends; very long chains are cut short.
  bool leadsBackTo(const std::string& target, std::string value, std::int32_t before) const {
    if (target == value) return false;  // a pair that keeps its code is no cycle
    for (int steps = 0; steps < 10000; ++steps) {
      const std::int32_t producer = lastProducer(value, before);
      if (producer == 0) return false;
      value = pairs_.GetItem(producer).s01;
      if (value == target) return true;
      before = producer;
    }
    return false;
  }

  const clsInfCol& pairs_;
  std::map<std::string, std::int32_t> first_old_;
  std::map<std::string, std::vector<std::int32_t>> producers_;
};

}  // namespace

std::vector<PairFinding> reviewPairList(const clsInfCol& pairs) {
  std::vector<PairFinding> findings;
  PairSequence sequence(pairs);
  for (std::int32_t position = 1; position <= pairs.GetSize(); ++position) {
    const clsInf& pair = pairs.GetItem(position);
    for (auto check : {headerLine, emptiesField, blanksAround}) {
      if (auto finding = check(position, pair)) findings.push_back(std::move(*finding));
    }
    for (PairFinding& finding : sequence.findingsFor(position)) {
      findings.push_back(std::move(finding));
    }
  }
  return findings;
}

}  // namespace norvel
