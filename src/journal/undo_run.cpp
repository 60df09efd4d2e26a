#include "journal/undo_run.h"

#include <stdexcept>

#include "catalog/failure_texts.h"
#include "engine/journal_sql.h"
#include "engine/run_failure.h"
#include "engine/sql_text.h"
#include "engine/transaction_guard.h"
#include "journal/file_journal.h"

namespace norvel {
namespace {

// A journaled value as the column compares and stores it; none for NULL.
std::optional<SqlValue> valueFor(int column_type, const std::optional<std::string>& text) {
  if (!text) return std::nullopt;
  std::string problem;
  std::optional<PairValues> values = valuesOfPair(column_type, *text, "", problem);
  if (!values) throw std::invalid_argument("\"" + problem + "\" is not a number for the field");
  if (!values->old_value) return std::nullopt;
  return values->old_value;
}

bool sameValue(const std::optional<SqlValue>& a, const std::optional<SqlValue>& b) {
  if (!a || !b) return !a && !b;
  return a->kind == b->kind && a->text == b->text;
}

int columnType(DatabaseConnection& connection, const std::string& table, const std::string& column,
               const NameQuoting& quote) {
  if (column == "rowid") return ado::adBigInt;
  return connection.query(buildProbe(table, column, quote)).first_column_type;
}

}  // namespace

std::vector<RunPair> undoPairs(const JournalRecord& record) {
  std::vector<RunPair> pairs;
  for (auto pair = record.pairs.rbegin(); pair != record.pairs.rend(); ++pair) {
    RunPair undo;
    undo.old_code = pair->new_code;
    undo.new_code = pair->old_code;
    pairs.push_back(std::move(undo));
  }
  return pairs;
}

JournalRecord undoJournalHeader(const JournalRecord& undone, const std::string& undone_path,
                                std::string source, std::string user) {
  JournalRecord header;
  header.source = std::move(source);
  header.table = undone.table;
  header.field = undone.field;
  header.user = std::move(user);
  header.undoes = undone_path.substr(undone_path.find_last_of("/\\") + 1);
  header.identity = undone.identity;
  return header;
}

UndoResult runUndo(DatabaseConnection& connection, const JournalRecord& record,
                   RunObserver& observer, RunMode mode, FileJournal* journal) {
  if (!record.undoable()) {
    throw std::invalid_argument(
        "the journal holds counts only (the table had no key): the run cannot be undone exactly");
  }
  const std::vector<RunPair> pairs = undoPairs(record);
  const std::size_t last = record.pairs.size() - 1;
  // The entries of each undo pair: those of the journal's pair last - i.
  std::vector<std::vector<const JournalEntry*>> entries(pairs.size());
  for (auto entry = record.entries.rbegin(); entry != record.entries.rend(); ++entry) {
    entries[last - entry->pair_index].push_back(&*entry);
  }

  UndoResult undo;
  RunResult& result = undo.run;
  std::optional<TransactionGuard> transaction;
  try {
    transaction.emplace(connection, mode);
  } catch (const std::exception& error) {
    result.failure = failureOf(RunStage::begin, std::nullopt, error);
    return undo;
  }
  observer.began();

  NameQuoting quote;
  int field_type = ado::adEmpty;
  IdentitySql identity_sql;
  std::vector<int> identity_types;
  for (std::size_t index = 0; index < pairs.size() && !result.failure; ++index) {
    observer.pairStarted(index, pairs[index]);
    std::int64_t restored_rows = 0;
    std::vector<JournalEntry> restored;
    try {
      if (index == 0) {
        quote = connection.nameQuoting();
        field_type = columnType(connection, record.table, record.field, quote);
        identity_sql = identitySql(connection, record.table, record.identity);
        for (const std::string& column : identity_sql.columns) {
          // A worksheet's row number.
          identity_types.push_back(identity_sql.sheet
                                       ? ado::adBigInt
                                       : columnType(connection, record.table, column, quote));
        }
      }
      observer.probed(index, field_type);
      for (const JournalEntry* entry : entries[index]) {
        const std::optional<SqlValue> held = valueFor(field_type, entry->new_value);
        const std::optional<SqlValue> put_back = valueFor(field_type, entry->old_value);
        // A worksheet's entries begin with the sheet, which the table names.
        const std::size_t first = identity_sql.sheet ? 1 : 0;
        if (entry->identity.size() != identity_sql.columns.size() + first ||
            (first == 1 && entry->identity[0] != identity_sql.sheet)) {
          throw std::invalid_argument("a row of the journal names no row of " + record.table);
        }
        std::vector<SqlValue> identity;
        for (std::size_t i = 0; i < identity_sql.columns.size(); ++i) {
          const bool number = columnKindOf(identity_types[i]) == ColumnKind::numeric;
          identity.push_back(SqlValue{number ? SqlValue::Kind::number : SqlValue::Kind::text,
                                      entry->identity[first + i].value_or(""), identity_types[i]});
        }
        // The run matched the row but wrote its own value back (NULL for NULL, 600001 for
        // 0600001 in a number): there is nothing to put back, and a source that counts changed
        // rows (MariaDB) would call the row changed since.
        if (sameValue(held, put_back)) continue;
        const std::int64_t changed = connection.executeStatement(buildRowRestore(
            record.table, record.field, identity_sql.columns, identity, held, put_back, quote));
        if (changed == 0) {
          undo.left_alone.push_back({index, entry});
          continue;
        }
        restored_rows += changed;
        restored.push_back({index, entry->new_value, entry->old_value, entry->identity});
      }
    } catch (const std::exception& error) {
      result.failure =
          failureOf(index == 0 && field_type == ado::adEmpty ? RunStage::probe : RunStage::update,
                    index, error);
      observer.pairFailed(index, *result.failure);
      break;
    }
    if (journal != nullptr) journal->addEntries(std::move(restored));
    result.counts.push_back(restored_rows);
    result.total += restored_rows;
    observer.pairReplaced(index, restored_rows);
  }

  if (!result.failure && mode == RunMode::commit && journal != nullptr) {
    try {
      journal->complete(result);
    } catch (const std::exception& error) {
      result.failure = RunFailure{RunStage::commit, std::nullopt,
                                  journalFailureText(descriptionOf(error)), std::nullopt};
      observer.commitFailed(*result.failure);
    }
  }
  if (result.failure || mode == RunMode::dryRun) {
    if (rollBackRun(*transaction, result, observer)) {
      observer.rolledBack(result.total, result.failure);
      if (!result.failure) result.outcome = RunOutcome::rolledBack;
    }
    return undo;
  }
  try {
    transaction->commit();
  } catch (const std::exception& error) {
    result.failure = failureOf(RunStage::commit, std::nullopt, error);
    observer.commitFailed(*result.failure);
    rollBackRun(*transaction, result, observer);
    return undo;
  }
  result.outcome = RunOutcome::committed;
  observer.committed(result.total);
  return undo;
}

}  // namespace norvel
