#include <gtest/gtest.h>

#include "catalog/pair_texts.h"
#include "engine/run_pair_review.h"

namespace norvel {
namespace {

struct Seen {
  PairFindingKind kind;
  std::int32_t position;
  std::int32_t earlier;
  friend bool operator==(const Seen&, const Seen&) = default;
};

std::vector<Seen> between(const std::vector<RunPair>& pairs) {
  std::vector<Seen> seen;
  for (const PairFinding& f : reviewRunPairs(pairs)) {
    if (f.kind == PairFindingKind::repeatedOldCode || f.kind == PairFindingKind::chain ||
        f.kind == PairFindingKind::cycle) {
      seen.push_back({f.kind, f.position, f.earlier});
    }
  }
  return seen;
}

TEST(ReviewRunPairs, ChainsCyclesAndRepeatsAreNamedWithTheEarlierPair) {
  using K = PairFindingKind;
  struct Case {
    std::string name;
    std::vector<RunPair> pairs;
    std::vector<Seen> seen;
  };
  const std::vector<Case> cases = {
      {"independent pairs", {{"100-0001", "100-0002"}, {"100-0003", "100-0004"}}, {}},
      {"a chain", {{"100-0001", "100-0002"}, {"100-0002", "100-0003"}}, {{K::chain, 2, 1}}},
      {"a chain is told only forwards: the later pair's new code is an earlier old code",
       {{"100-0002", "100-0003"}, {"100-0001", "100-0002"}},
       {}},
      {"a cycle of two", {{"100-0001", "100-0002"}, {"100-0002", "100-0001"}}, {{K::cycle, 2, 1}}},
      {"a cycle of three",
       {{"1000001", "1000002"}, {"1000002", "1000003"}, {"1000003", "1000001"}},
       {{K::chain, 2, 1}, {K::cycle, 3, 2}}},
      {"the same old code twice",
       {{"100-0001", "100-0002"}, {"100-0003", "1"}, {"100-0001", "100-0009"}},
       {{K::repeatedOldCode, 3, 1}}},
      {"emptying fields and then filling the empty ones is no chain",
       {{"100-0001", ""}, {"NULL", "100-0005"}, {"100-0002", "NULL"}},
       {}},
      {"a pair that keeps its code", {{"100-0001", "100-0001"}}, {}},
      {"codes compare as typed", {{"100-0001", "100-0002"}, {"1000002", "1"}}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(between(c.pairs), c.seen);
  }
}

TEST(ReviewRunPairs, TheTextsNameBothPairs) {
  const auto text = [](const std::vector<RunPair>& pairs) {
    return pairFindingText(reviewRunPairs(pairs).back(), Language::japanese);
  };
  EXPECT_EQ(text({{"100-0001", "100-0002"}, {"100-0002", "100-0003"}}),
            "2 番目の置換ペア「100-0002 -> 100-0003」の置換元は 1 "
            "番目の置換ペアの置換先です。1 番目で置換された行も続けて置換されます（連鎖）。");
  EXPECT_EQ(text({{"100-0001", "100-0002"}, {"100-0002", "100-0001"}}),
            "2 番目の置換ペア「100-0002 -> 100-0001」は 1 "
            "番目の置換ペアからの連鎖を元のコードに戻します（循環）。連鎖した行はすべて「100-"
            "0001」になります。");
  EXPECT_EQ(
      text({{"100-0001", "100-0002"}, {"100-0001", "100-0003"}}),
      "2 番目の置換ペア「100-0001 -> 100-0003」は置換元が 1 "
      "番目の置換ペアと同じです。該当する行は先に置換されるため、このペアでは置換されません。");
}

}  // namespace
}  // namespace norvel
