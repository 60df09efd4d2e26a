// Following the list over classes of rows against following it row by row, for codes whose
// equality is an equivalence (here: the same number modulo 3, NULL as itself).
#include "engine/pair_composition.h"

#include <gtest/gtest.h>

#include <random>

namespace norvel {
namespace {

using Code = std::optional<int>;

bool equal(int a, int b) {
  return a % 3 == b % 3;
}

TEST(PairComposition, CountsAndLastValuesAreThoseOfTheRowByRowRun) {
  for (std::uint32_t seed = 1; seed <= 500; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 random(seed);
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    std::vector<std::pair<Code, Code>> pairs(static_cast<std::size_t>(1 + pick(8)));
    for (auto& [old_code, new_code] : pairs) {
      old_code = pick(5) == 0 ? Code{} : Code{pick(7)};
      new_code = pick(5) == 0 ? Code{} : Code{pick(7)};
    }
    std::vector<Code> rows(static_cast<std::size_t>(pick(12)));
    for (Code& row : rows) row = pick(4) == 0 ? Code{} : Code{pick(7)};

    PairRelations relations;
    for (std::size_t i = 0; i < pairs.size(); ++i) {
      const auto first_equal = [&](const Code& code) -> std::optional<std::size_t> {
        if (!code) return std::nullopt;
        for (std::size_t j = 0; j < pairs.size(); ++j) {
          if (pairs[j].first && equal(*pairs[j].first, *code)) return j;
        }
        return std::nullopt;
      };
      relations.old_class.push_back(first_equal(pairs[i].first));
      relations.new_class.push_back(first_equal(pairs[i].second));
      relations.new_is_null.push_back(!pairs[i].second);
    }
    const PairComposition composition(relations);

    // Row by row, as the per-pair run changes them.
    std::vector<std::int64_t> expected_counts(pairs.size(), 0);
    std::vector<Code> expected_rows = rows;
    for (std::size_t i = 0; i < pairs.size(); ++i) {
      for (Code& row : expected_rows) {
        const bool matches = pairs[i].first ? row && equal(*row, *pairs[i].first) : !row;
        if (!matches) continue;
        row = pairs[i].second;
        ++expected_counts[i];
      }
    }

    // By groups: each row's group, its rows, and the value its last pair leaves.
    const auto& groups = composition.groups();
    std::vector<std::int64_t> group_rows(groups.size(), 0);
    std::vector<Code> composed_rows = rows;
    for (Code& row : composed_rows) {
      for (std::size_t g = 0; g < groups.size(); ++g) {
        const bool in_group =
            groups[g].key ? row && equal(*row, *pairs[*groups[g].key].first) : !row;
        if (!in_group) continue;
        if (groups[g].last_pair) {
          ++group_rows[g];
          row = pairs[*groups[g].last_pair].second;
        }
        break;
      }
    }
    EXPECT_EQ(composition.countsOf(group_rows), expected_counts);
    EXPECT_EQ(composed_rows, expected_rows);
  }
}

}  // namespace
}  // namespace norvel
