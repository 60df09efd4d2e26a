#include "engine/mapping_run.h"

#include <charconv>
#include <numeric>
#include <random>

#include "catalog/failure_texts.h"
#include "catalog/run_texts.h"
#include "engine/mapping_sql.h"
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
  std::optional<std::size_t> null_old;  // the one pair whose old code selects NULL fields
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
  // NULL is the run's own rule, not the field's equality: a second pair selecting NULL fields,
  // or one after a pair that empties fields, would see rows an earlier pair changed.
  bool emptied_before = false;
  for (const RunPair& pair : pairs) {
    std::optional<PairValues> values = planPair(pair, prepared.column_type, target.field).values;
    if (!values) return {};
    if (values->old_value && !comparesAsStored(*values->old_value)) return {};
    if (!values->old_value) {
      if (prepared.null_old || emptied_before) return {};
      prepared.null_old = prepared.values.size();
    }
    if (!values->new_value) emptied_before = true;
    prepared.values.push_back(std::move(*values));
  }
  return prepared;
}

// Everything after the savepoint; throws to have it rolled back.
std::vector<std::int64_t> applyInsideSavepoint(DatabaseConnection& connection,
                                               SetBasedSupport& support, const RunTarget& target,
                                               const std::vector<RunPair>& pairs,
                                               const PreparedPairs& prepared) {
  const std::string pair_table = pairTableName();
  support.createComparableTable(pair_table, buildProbe(target.table, target.field, prepared.quote),
                                columnKindOf(prepared.column_type) == ColumnKind::numeric);
  const MappingSql sql(target.table, target.field, prepared.quote,
                       support.temporaryTableReference(pair_table));
  for (const SqlStatement& insert : sql.inserts(prepared.values)) {
    connection.executeStatement(insert);
  }
  support.analyzeTemporaryTable(pair_table);

  for (const auto& row : connection.queryRows(sql.conflicts())) {
    if (row.empty() || integerOf(row[0]) != 0) throw NotApplicable{};
  }

  std::vector<std::int64_t> counts(pairs.size(), 0);
  const auto count_at = [&](const std::vector<std::optional<std::string>>& row, std::size_t first,
                            std::size_t end) {
    if (row.size() != 2) throw NotApplicable{};
    const std::int64_t position = integerOf(row[0]);
    if (position < static_cast<std::int64_t>(first) || position >= static_cast<std::int64_t>(end)) {
      throw NotApplicable{};
    }
    counts[static_cast<std::size_t>(position)] = integerOf(row[1]);
  };

  // Where the UPDATE tells which pair changed each row, those are the counts: another session's
  // change between a look at the table and the UPDATE cannot make them wrong.
  const bool counted_by_update = support.updateReturnsPairs();
  if (!counted_by_update) {
    for (const auto& row : connection.queryRows(sql.histogram())) count_at(row, 0, pairs.size());
  }

  // Elsewhere the UPDATE must change exactly the rows the histogram counted: anything else (a
  // row policy that lets one see rows but not change them) is left to the per-pair run.
  const auto apply = [&](std::size_t first, std::size_t end) {
    if (first >= end) return;
    if (counted_by_update) {
      for (const auto& row : connection.queryRows(sql.updateCounted(first, end - 1))) {
        count_at(row, first, end);
      }
      return;
    }
    const std::int64_t expected =
        std::accumulate(counts.begin() + static_cast<long>(first),
                        counts.begin() + static_cast<long>(end), std::int64_t{0});
    if (connection.executeStatement(sql.update(first, end - 1)) != expected) throw NotApplicable{};
  };
  if (prepared.null_old) {
    const std::size_t k = *prepared.null_old;
    apply(0, k);
    counts[k] = connection.executeStatement(
        buildUpdate(target.table, target.field, prepared.values[k], prepared.quote));
    apply(k + 1, pairs.size());
  } else {
    apply(0, pairs.size());
  }

  support.dropTemporaryTable(pair_table);
  return counts;
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
    outcome.counts = applyInsideSavepoint(connection, *support, target, pairs, *prepared);
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
