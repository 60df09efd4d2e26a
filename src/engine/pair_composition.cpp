#include "engine/pair_composition.h"

#include <utility>

namespace norvel {
namespace {

// What a group's rows currently hold, as the old codes see it: equal to the old codes of one
// class (a position), NULL, or equal to none of them, after which no pair changes them again.
struct Keys {
  std::size_t pairs;
  std::size_t null() const { return pairs; }
  std::size_t none() const { return pairs + 1; }
};

}  // namespace

PairComposition::PairComposition(const PairRelations& relations) : relations_(relations) {
  const std::size_t pairs = relations_.old_class.size();
  bool selects_null = false;
  for (std::size_t i = 0; i < pairs; ++i) {
    if (!relations_.old_class[i]) {
      selects_null = true;
    } else if (*relations_.old_class[i] == i) {
      groups_.push_back({i, std::nullopt, std::nullopt});
    }
  }
  if (selects_null) groups_.push_back({std::nullopt, std::nullopt, std::nullopt});
  replay([&](std::size_t pair, std::size_t group, std::optional<std::size_t> previous) {
    if (!previous) groups_[group].first_pair = pair;
    groups_[group].last_pair = pair;
  });
}

void PairComposition::replay(const Visit& visit) const {
  const std::size_t pairs = relations_.old_class.size();
  const Keys keys{pairs};
  // The groups whose rows currently hold what each key stands for.
  std::vector<std::vector<std::size_t>> holding(pairs + 2);
  std::vector<std::optional<std::size_t>> changed_by(groups_.size());
  for (std::size_t g = 0; g < groups_.size(); ++g) {
    holding[groups_[g].key ? *groups_[g].key : keys.null()].push_back(g);
  }
  for (std::size_t i = 0; i < pairs; ++i) {
    const std::size_t from = relations_.old_class[i] ? *relations_.old_class[i] : keys.null();
    std::size_t to = keys.none();
    if (relations_.new_is_null[i]) {
      to = keys.null();
    } else if (relations_.new_class[i]) {
      to = *relations_.new_class[i];
    }
    std::vector<std::size_t> moved = std::move(holding[from]);
    holding[from].clear();
    for (const std::size_t g : moved) {
      visit(i, g, changed_by[g]);
      changed_by[g] = i;
    }
    if (to == keys.none()) continue;
    if (holding[to].empty()) {
      holding[to] = std::move(moved);
    } else {
      holding[to].insert(holding[to].end(), moved.begin(), moved.end());
    }
  }
}

std::vector<std::int64_t> PairComposition::countsOf(
    const std::vector<std::int64_t>& group_rows) const {
  std::vector<std::int64_t> counts(relations_.old_class.size(), 0);
  replay([&](std::size_t pair, std::size_t group, std::optional<std::size_t>) {
    counts[pair] += group_rows[group];
  });
  return counts;
}

}  // namespace norvel
