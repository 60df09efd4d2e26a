#include "engine/mapping_journal.h"

#include <charconv>

namespace norvel {
namespace {

std::size_t groupOf(const std::optional<std::string>& text, std::size_t groups) {
  std::size_t group = 0;
  if (text) {
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), group);
    if (error == std::errc() && end == text->data() + text->size() && group < groups) return group;
  }
  throw DatabaseError("The data source returned a row of no group for the journal.");
}

}  // namespace

void MappingJournal::addRowsOfGroups(const QueryRows& rows, std::size_t identity_columns) {
  for (const auto& row : rows) {
    if (row.size() != identity_columns + 2) {
      throw DatabaseError("The data source returned a row of the wrong width for the journal.");
    }
    rows_of_group_[groupOf(row[0], rows_of_group_.size())].push_back(
        {{row.begin() + 1, row.end() - 1}, row.back()});
  }
}

void MappingJournal::addRowsOfGroup(std::size_t group, const QueryRows& rows,
                                    std::size_t identity_columns) {
  std::vector<JournaledRow>& into = rows_of_group_[group];
  into.reserve(into.size() + rows.size());
  for (const auto& row : rows) {
    if (row.size() != identity_columns + 1) {
      throw DatabaseError("The data source returned a row of the wrong width for the journal.");
    }
    into.push_back({{row.begin(), row.end() - 1}, row.back()});
  }
}

std::vector<std::vector<JournaledRow>> MappingJournal::rowsOfPairs(
    const PairComposition& composition,
    const std::vector<std::optional<std::string>>& stored_new) const {
  std::vector<std::vector<JournaledRow>> of_pair(stored_new.size());
  composition.replay([&](std::size_t pair, std::size_t group, std::optional<std::size_t> previous) {
    const std::vector<JournaledRow>& rows = rows_of_group_[group];
    std::vector<JournaledRow>& into = of_pair[pair];
    into.reserve(into.size() + rows.size());
    for (const JournaledRow& row : rows) {
      into.push_back({row.identity, previous ? stored_new[*previous] : row.old_value});
    }
  });
  return of_pair;
}

}  // namespace norvel
