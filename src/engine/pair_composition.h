#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace norvel {

// The pairs as the field's own equality relates them, which is all the order of the list needs
// to be followed without touching a row: rows equal to one old code are equal to every old code
// of its class, so each class of rows moves as one through the list.
struct PairRelations {
  // Per pair: the first position whose old code equals this pair's old code (its class), or
  // none for an old code that selects NULL fields.
  std::vector<std::optional<std::size_t>> old_class;
  // Per pair: the class of old codes its new code, as the field stores it, equals; none when no
  // old code does or the new code empties the field.
  std::vector<std::optional<std::size_t>> new_class;
  std::vector<bool> new_is_null;
};

// A class of rows: those equal to the old codes of one class (`key`, the class's first
// position), or the rows that are NULL before the run (`key` none).
struct RowGroup {
  std::optional<std::size_t> key;
  std::optional<std::size_t> first_pair;  // the first pair that changes the group's rows
  std::optional<std::size_t> last_pair;   // the last one: its new code is what the rows end as
};

class PairComposition {
 public:
  // Follows the list once. `rows_of_null` groups the fields that are NULL before the run, when
  // some pair selects them.
  explicit PairComposition(const PairRelations& relations);

  const std::vector<RowGroup>& groups() const { return groups_; }

  // Every time a pair changes a group's rows: the pair, the group and the pair that changed them
  // before (none the first time), in list order.
  using Visit =
      std::function<void(std::size_t pair, std::size_t group, std::optional<std::size_t> previous)>;
  void replay(const Visit& visit) const;

  // Per pair, the rows it changes: the sum of the rows of the groups it moves.
  std::vector<std::int64_t> countsOf(const std::vector<std::int64_t>& group_rows) const;

 private:
  PairRelations relations_;
  std::vector<RowGroup> groups_;
};

}  // namespace norvel
