#include "engine/mapping_run.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <numeric>
#include <random>

#include "catalog/failure_texts.h"
#include "catalog/run_texts.h"
#include "engine/journal_sql.h"
#include "engine/mapping_journal.h"
#include "engine/mapping_sql.h"
#include "engine/pair_composition.h"
#include "engine/pair_plan.h"
#include "engine/run_strategy.h"
#include "engine/sql_text.h"
#include "engine/transaction_guard.h"

namespace norvel {
namespace {

constexpr const char* kSavepoint = "norvel_mapping";

// Thrown inside the attempt when the pairs or the answers do not allow it.
struct NotApplicable {};

// 2^53: up to here every whole number is exact as a double, so a field compared as a double
// (real, double precision) and a code compared as an integer agree on which codes are equal.
constexpr std::int64_t kExactInDouble = std::int64_t{1} << 53;

// A fractional code would be rounded when stored in an integer column, but compared unrounded
// by the per-pair statement; the codes of the pair table compare as whole numbers.
bool comparesAsStored(const SqlValue& value) {
  if (value.kind == SqlValue::Kind::text) return true;
  std::int64_t number = 0;
  const char* end = value.text.data() + value.text.size();
  const auto [stop, error] = std::from_chars(value.text.data(), end, number);
  return error == std::errc() && stop == end && number <= kExactInDouble &&
         number >= -kExactInDouble;
}

// A failure of the set-based statements, which belongs to no pair.
RunFailure failureOf(const std::exception& error) {
  RunFailure failure{RunStage::setBased, std::nullopt, descriptionOf(error), std::nullopt};
  if (const auto* database_error = dynamic_cast<const DatabaseError*>(&error)) {
    failure.error = *database_error;
  } else if (const auto* refusal = dynamic_cast<const ReasonError*>(&error)) {
    failure.reason = refusal->reason();
  }
  return failure;
}

// A name no table of the user's has: temporary tables come first in name lookup, so a fixed
// name could stand in for the user's table of that name.
std::string pairTableName() {
  std::random_device device;
  std::mt19937_64 generator((std::uint64_t{device()} << 32) ^ device());
  static constexpr char kHex[] = "0123456789abcdef";
  std::string name = "norvel_pairs_";
  std::uint64_t bits = generator();
  for (int i = 0; i < 16; ++i, bits >>= 4) name += kHex[bits & 0xF];
  return name;
}

std::int64_t integerOf(const std::optional<std::string>& text) {
  std::int64_t value = 0;
  if (!text) throw NotApplicable{};
  const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
  if (error != std::errc() || end != text->data() + text->size()) throw NotApplicable{};
  return value;
}

struct PreparedPairs {
  int column_type = 0;
  NameQuoting quote;
  std::vector<PairValues> values;
};

// The checks that need no statement beyond the probe: anything the per-pair run would refuse
// or fail on is left to it, so that it stops at the same pair with the same words.
std::optional<PreparedPairs> prepare(DatabaseConnection& connection, const RunTarget& target,
                                     const std::vector<RunPair>& pairs) {
  for (const RunPair& pair : pairs) {
    if (refusalOfCodes(pair)) return {};
  }
  PreparedPairs prepared;
  try {
    prepared.quote = connection.nameQuoting();
    prepared.column_type =
        connection.query(buildProbe(target.table, target.field, prepared.quote)).first_column_type;
  } catch (const std::exception&) {
    return {};
  }
  for (const RunPair& pair : pairs) {
    std::optional<PairValues> values = planPair(pair, prepared.column_type, target.field).values;
    if (!values) return {};
    if (values->old_value && !comparesAsStored(*values->old_value)) return {};
    prepared.values.push_back(std::move(*values));
  }
  return prepared;
}

// The classes the data source put the codes in must be those of an equivalence, or they would
// not move as wholes.
void checkEquivalence(const std::vector<std::optional<std::size_t>>& old_class,
                      const std::vector<std::optional<std::size_t>>& new_class,
                      const std::vector<std::int64_t>& old_size,
                      const std::vector<std::int64_t>& new_size,
                      const std::vector<PairValues>& values) {
  std::vector<std::int64_t> members(old_class.size(), 0);
  for (std::size_t i = 0; i < old_class.size(); ++i) {
    // Every old code equals itself, and the first of its class is its own first.
    if (values[i].old_value.has_value() != old_class[i].has_value()) throw NotApplicable{};
    if (!old_class[i]) continue;
    if (*old_class[i] > i || old_class[*old_class[i]] != old_class[i]) throw NotApplicable{};
    ++members[*old_class[i]];
  }
  for (std::size_t i = 0; i < old_class.size(); ++i) {
    if (old_class[i] && old_size[i] != members[*old_class[i]]) throw NotApplicable{};
    if (new_class[i] && (!values[i].new_value || old_class[*new_class[i]] != new_class[i] ||
                         new_size[i] != members[*new_class[i]])) {
      throw NotApplicable{};
    }
  }
}

struct Classes {
  std::vector<std::optional<std::size_t>> of;
  std::vector<std::int64_t> size;
};

Classes classesFrom(DatabaseConnection& connection, const SqlStatement& statement,
                    std::size_t pairs) {
  Classes classes{std::vector<std::optional<std::size_t>>(pairs), std::vector<std::int64_t>(pairs)};
  for (const auto& row : connection.queryRows(statement)) {
    if (row.size() != 3) throw NotApplicable{};
    const std::int64_t position = integerOf(row[0]);
    const std::int64_t first = integerOf(row[1]);
    if (position < 0 || first < 0 || static_cast<std::uint64_t>(position) >= pairs ||
        static_cast<std::uint64_t>(first) >= pairs) {
      throw NotApplicable{};
    }
    const auto at = static_cast<std::size_t>(position);
    if (classes.of[at]) throw NotApplicable{};
    classes.of[at] = static_cast<std::size_t>(first);
    classes.size[at] = integerOf(row[2]);
  }
  return classes;
}

// Rows that a later pair changes again hold the earlier pair's value only between two
// statements of the per-pair run; the table must accept every such value as it would.
void checkPassingValues(const PairComposition& composition, const std::vector<PairValues>& values,
                        const std::vector<std::int64_t>& group_rows,
                        const SetBasedSupport::WrittenValueChecks& checks) {
  composition.replay([&](std::size_t pair, std::size_t group, std::optional<std::size_t>) {
    if (group_rows[group] == 0 || composition.groups()[group].last_pair == pair) return;
    if (checks.checks_values || (checks.refuses_null && !values[pair].new_value)) {
      throw NotApplicable{};
    }
  });
}

std::int64_t sum(const std::vector<std::int64_t>& counts) {
  return std::accumulate(counts.begin(), counts.end(), std::int64_t{0});
}

// What counting changed rows needs: the bytes of each pair's new code as stored, and per group
// the rows by the bytes they hold before the run (NULL: the rows that are NULL).
struct ChangedRows {
  std::vector<std::optional<std::string>> new_code_bytes;
  std::map<std::size_t, std::map<std::optional<std::string>, std::int64_t>> group_bytes;
};

std::vector<std::optional<std::string>> bytesByPosition(const QueryRows& rows, std::size_t pairs) {
  std::vector<std::optional<std::string>> bytes(pairs);
  std::vector<bool> seen(pairs, false);
  for (const auto& row : rows) {
    if (row.size() != 2) throw NotApplicable{};
    const std::int64_t position = integerOf(row[0]);
    if (position < 0 || static_cast<std::uint64_t>(position) >= pairs ||
        seen[static_cast<std::size_t>(position)]) {
      throw NotApplicable{};
    }
    seen[static_cast<std::size_t>(position)] = true;
    bytes[static_cast<std::size_t>(position)] = row[1];
  }
  if (std::find(seen.begin(), seen.end(), false) != seen.end()) throw NotApplicable{};
  return bytes;
}

// Per pair, the rows it changes where writing a row's own bytes again is no change.
std::vector<std::int64_t> changedCounts(const PairComposition& composition,
                                        const ChangedRows& changed,
                                        const std::vector<std::int64_t>& group_rows,
                                        std::size_t pairs) {
  std::vector<std::int64_t> counts(pairs, 0);
  composition.replay([&](std::size_t pair, std::size_t group, std::optional<std::size_t> previous) {
    const std::optional<std::string>& written = changed.new_code_bytes[pair];
    if (previous) {
      if (changed.new_code_bytes[*previous] != written) counts[pair] += group_rows[group];
      return;
    }
    std::int64_t same = 0;
    if (!composition.groups()[group].key) {
      same = written ? 0 : group_rows[group];
    } else if (const auto bytes = changed.group_bytes.find(group);
               written && bytes != changed.group_bytes.end()) {
      const auto rows = bytes->second.find(written);
      if (rows != bytes->second.end()) same = rows->second;
    }
    counts[pair] += group_rows[group] - same;
  });
  return counts;
}

struct AppliedPairs {
  std::vector<std::int64_t> counts;
  std::vector<std::vector<JournaledRow>> rows_of_pairs;
};

// Everything after the savepoint; throws to have it rolled back. `identity`: the columns that
// name a row, when a journal keeps the rows.
AppliedPairs applyInsideSavepoint(DatabaseConnection& connection, SetBasedSupport& support,
                                  const RunTarget& target, const PreparedPairs& prepared,
                                  const std::vector<std::string>* identity) {
  const std::vector<PairValues>& values = prepared.values;
  const std::size_t pairs = values.size();
  const std::string probe = buildProbe(target.table, target.field, prepared.quote);
  const bool numeric = columnKindOf(prepared.column_type) == ColumnKind::numeric;

  const std::string pair_table = pairTableName();
  support.createComparableTable(pair_table, probe, numeric);
  const bool by_join = support.updatesByJoin();
  const MappingSql pair_sql(target.table, target.field, prepared.quote,
                            support.temporaryTableReference(pair_table), by_join);
  for (const SqlStatement& insert : pair_sql.inserts(values)) connection.executeStatement(insert);
  support.analyzeTemporaryTable(pair_table);

  const Classes old_classes = classesFrom(connection, pair_sql.oldCodeClasses(), pairs);
  const Classes new_classes = classesFrom(connection, pair_sql.newCodeClasses(), pairs);
  checkEquivalence(old_classes.of, new_classes.of, old_classes.size, new_classes.size, values);
  // Where the counts are of changed rows, a pair counts a row only where its new code's bytes
  // differ from the row's.
  std::optional<ChangedRows> changed_rows;
  if (support.countsChangedRows(pair_table)) {
    changed_rows.emplace();
    changed_rows->new_code_bytes =
        bytesByPosition(connection.queryRows(pair_sql.newCodeBytes(numeric)), pairs);
  }
  // A row a later pair moves again held the earlier pair's new code as the field stores it.
  std::vector<std::optional<std::string>> stored_new;
  if (identity) stored_new = bytesByPosition(connection.queryRows(pair_sql.newCodes()), pairs);
  support.dropTemporaryTable(pair_table);

  PairRelations relations{old_classes.of, new_classes.of, {}};
  for (const PairValues& pair : values) relations.new_is_null.push_back(!pair.new_value);
  const PairComposition composition(relations);
  const std::vector<RowGroup>& groups = composition.groups();
  std::optional<MappingJournal> journal;
  if (identity) journal.emplace(groups.size());

  // One row per group of non-NULL rows a pair changes: one of its old codes, its last new code.
  std::vector<PairValues> mapping;
  std::vector<std::size_t> mapped_groups;
  bool maps_to_null = false;
  std::optional<std::size_t> null_group;
  for (std::size_t g = 0; g < groups.size(); ++g) {
    if (!groups[g].last_pair) continue;
    if (!groups[g].key) {
      null_group = g;
      continue;
    }
    mapping.push_back({values[*groups[g].key].old_value, values[*groups[g].last_pair].new_value});
    mapped_groups.push_back(g);
    maps_to_null = maps_to_null || !mapping.back().new_value;
  }

  // The rows that are NULL before the run are set by a statement of their own: first, unless
  // the mapping would then take them for one of its old codes; after the mapping, unless it
  // sets rows to NULL.
  std::optional<SqlStatement> null_update;
  bool null_first = false;
  if (null_group) {
    const std::size_t last = *groups[*null_group].last_pair;
    null_update = buildUpdate(target.table, target.field, {std::nullopt, values[last].new_value},
                              prepared.quote);
    null_first = true;
    for (const std::size_t g : mapped_groups) {
      if (new_classes.of[last] && groups[g].key == new_classes.of[last]) null_first = false;
    }
    if (!null_first && maps_to_null) throw NotApplicable{};
  }

  std::vector<std::int64_t> group_rows(groups.size(), 0);
  const auto update_null_rows = [&] {
    if (journal) {
      journal->addRowsOfGroup(
          *null_group,
          connection.queryRows(
              buildRowsOfPair(target.table, target.field, *identity, std::nullopt, prepared.quote)),
          identity->size());
    }
    if (!changed_rows) {
      group_rows[*null_group] = connection.executeStatement(*null_update);
      return;
    }
    const QueryRows nulls = connection.queryRows(pair_sql.nullRows());
    if (nulls.size() != 1 || nulls[0].size() != 1) throw NotApplicable{};
    group_rows[*null_group] = integerOf(nulls[0][0]);
    const bool to_null = !values[*groups[*null_group].last_pair].new_value;
    if (connection.executeStatement(*null_update) != (to_null ? 0 : group_rows[*null_group])) {
      throw NotApplicable{};
    }
  };
  if (null_first) update_null_rows();
  if (!mapping.empty()) {
    const std::string mapping_table = pairTableName();
    support.createComparableTable(mapping_table, probe, numeric);
    const MappingSql sql(target.table, target.field, prepared.quote,
                         support.temporaryTableReference(mapping_table), by_join);
    for (const SqlStatement& insert : sql.inserts(mapping, mapped_groups)) {
      connection.executeStatement(insert);
    }
    support.analyzeTemporaryTable(mapping_table);
    const std::string function = changed_rows || support.updateReturnsPairs()
                                     ? std::string()
                                     : support.rowCountingFunction(groups.size());
    // The counting function is handed each row as the UPDATE changes it, PostgreSQL's UPDATE
    // returns them where a row's value before is its old code's text; elsewhere they are read
    // before.
    const bool update_returns_rows = journal && !changed_rows && support.updateReturnsPairs() &&
                                     support.updateReturnsValuesBefore(target.table, target.field);
    if (journal && function.empty() && !update_returns_rows) {
      journal->addRowsOfGroups(connection.queryRows(sql.rowsOfCodes(*identity)), identity->size());
    }
    const auto count_row = [&](const std::vector<std::optional<std::string>>& row) {
      if (row.size() != 2) throw NotApplicable{};
      const std::int64_t group = integerOf(row[0]);
      if (group < 0 || static_cast<std::uint64_t>(group) >= groups.size()) throw NotApplicable{};
      group_rows[static_cast<std::size_t>(group)] = integerOf(row[1]);
    };
    // Where the UPDATE tells which group each changed row was in, those are the counts: another
    // session's change between a look at the table and the UPDATE cannot make them wrong.
    // Elsewhere the UPDATE must change exactly the rows counted: anything else (a row policy
    // that lets one see rows but not change them) is left to the per-pair run.
    if (changed_rows) {
      // With a primary key the rows are found by one scan and changed by key, not scanned for
      // the histogram and again by the UPDATE.
      const std::vector<std::string> key = support.primaryKeyColumns(target.table);
      const std::string found_table = key.empty() ? std::string() : pairTableName();
      const std::string found =
          key.empty() ? std::string() : support.temporaryTableReference(found_table);
      if (!key.empty()) connection.executeStatement(sql.collectRows(found, key, numeric));
      // The rows the UPDATE changes are those whose bytes differ from their group's last code.
      std::int64_t expected = 0;
      for (const auto& row : connection.queryRows(key.empty() ? sql.histogramByBytes(numeric)
                                                              : sql.histogramOfRows(found))) {
        if (row.size() != 3) throw NotApplicable{};
        count_row({row[0], row[2]});
        const auto group = static_cast<std::size_t>(integerOf(row[0]));
        const std::int64_t rows = integerOf(row[2]);
        changed_rows->group_bytes[group][row[1]] = rows;
        if (row[1] != changed_rows->new_code_bytes[*groups[group].last_pair]) expected += rows;
      }
      for (const std::size_t g : mapped_groups) {
        group_rows[g] = 0;
        for (const auto& [bytes, rows] : changed_rows->group_bytes[g]) group_rows[g] += rows;
      }
      if (connection.executeStatement(key.empty() ? sql.update() : sql.updateByKey(found, key)) !=
          expected) {
        throw NotApplicable{};
      }
      if (!key.empty()) support.dropTemporaryTable(found_table);
    } else if (update_returns_rows) {
      // One scan: the journal's rows are those the UPDATE returns.
      const QueryRows rows = connection.queryRows(sql.updateReturningRows(*identity));
      for (const auto& row : rows) {
        if (row.size() != identity->size() + 2) throw NotApplicable{};
        const std::int64_t group = integerOf(row[0]);
        if (group < 0 || static_cast<std::uint64_t>(group) >= groups.size()) throw NotApplicable{};
        ++group_rows[static_cast<std::size_t>(group)];
      }
      journal->addRowsOfGroups(rows, identity->size());
    } else if (support.updateReturnsPairs()) {
      for (const auto& row : connection.queryRows(sql.updateCounted())) count_row(row);
    } else if (!function.empty()) {
      const std::int64_t changed = connection.executeStatement(
          sql.updateThrough(function, journal ? *identity : std::vector<std::string>()));
      const std::vector<std::int64_t> counted = support.rowCounts();
      if (counted.size() != groups.size() || sum(counted) != changed) throw NotApplicable{};
      for (const std::size_t g : mapped_groups) group_rows[g] = counted[g];
      if (journal) journal->addRowsOfGroups(support.countedRows(), identity->size());
    } else {
      for (const auto& row : connection.queryRows(sql.histogram())) count_row(row);
      std::int64_t expected = 0;
      for (const std::size_t g : mapped_groups) expected += group_rows[g];
      if (connection.executeStatement(sql.update()) != expected) throw NotApplicable{};
    }
    support.dropTemporaryTable(mapping_table);
  }
  if (null_update && !null_first) update_null_rows();

  checkPassingValues(composition, values, group_rows,
                     support.writtenValueChecks(target.table, target.field));
  AppliedPairs applied;
  if (journal) {
    // The rows read must be the rows changed, or the journal would not undo the run.
    for (std::size_t g = 0; g < groups.size(); ++g) {
      if (groups[g].last_pair &&
          journal->rowsOfGroup(g) != static_cast<std::size_t>(group_rows[g])) {
        throw NotApplicable{};
      }
    }
    applied.rows_of_pairs = journal->rowsOfPairs(composition, stored_new);
  }
  applied.counts = changed_rows ? changedCounts(composition, *changed_rows, group_rows, pairs)
                                : composition.countsOf(group_rows);
  return applied;
}

}  // namespace

MappingOutcome applyByMapping(DatabaseConnection& connection, const RunTarget& target,
                              const std::vector<RunPair>& pairs, const RunOptions& options) {
  MappingOutcome outcome;
  if (!setBasedWorthTrying(options, pairs.size())) return outcome;
  SetBasedSupport* support = connection.setBasedSupport();
  if (support == nullptr) return outcome;
  try {
    // Every old code is then one index lookup: the set-based statements would only add work.
    if (support->fieldLookupUsesIndex(target.table, target.field)) return outcome;
    outcome.per_pair_cause = support->perPairCause(target.table, target.field);
    if (outcome.per_pair_cause != PerPairCause::none) return outcome;
  } catch (const DatabaseError&) {
    // A table the catalog cannot describe is left to the probe, which reports it.
    return outcome;
  }

  const std::optional<PreparedPairs> prepared = prepare(connection, target, pairs);
  if (!prepared) return outcome;
  std::optional<SavepointGuard> savepoint;
  try {
    savepoint.emplace(connection, kSavepoint);
  } catch (const std::exception&) {
    return outcome;
  }

  // What made the attempt fail, when a statement did: told if nothing else can be.
  std::optional<RunFailure> cause;
  try {
    AppliedPairs applied = applyInsideSavepoint(
        connection, *support, target, *prepared,
        options.journalsRows() ? &options.journal->identityColumns() : nullptr);
    outcome.counts = std::move(applied.counts);
    outcome.rows_of_pairs = std::move(applied.rows_of_pairs);
    savepoint->release();
    outcome.column_type = prepared->column_type;
    outcome.kind = MappingOutcome::Kind::applied;
    return outcome;
  } catch (const NotApplicable&) {
  } catch (const std::exception& error) {
    cause = failureOf(error);
  }

  try {
    savepoint->rollBack();
  } catch (const std::exception& error) {
    if (!connection.transactionOpen()) {
      outcome.kind = MappingOutcome::Kind::transactionLost;
      return outcome;
    }
    // The failure that started it says what went wrong; the savepoint's own text would not.
    outcome.kind = MappingOutcome::Kind::failed;
    outcome.failure = cause ? *cause : failureOf(error);
    return outcome;
  }
  if (options.stopRequested()) {
    outcome.kind = MappingOutcome::Kind::failed;
    outcome.failure =
        RunFailure{RunStage::interrupted, 0, runInterruptedText(Language::english), std::nullopt};
  }
  return outcome;
}

}  // namespace norvel
