#include "engine/replacement_run.h"

#include <utility>

#include "catalog/failure_texts.h"
#include "catalog/reason_texts.h"
#include "catalog/run_texts.h"
#include "engine/journal_sql.h"
#include "engine/mapping_run.h"
#include "engine/pair_plan.h"
#include "engine/run_failure.h"
#include "engine/run_pair_review.h"
#include "engine/run_strategy.h"
#include "engine/sql_text.h"
#include "engine/transaction_guard.h"

namespace norvel {
namespace {

// A statement that failed after a stop request was most likely cut short by it.
RunStage stageOfFailure(RunStage stage, const RunOptions& options) {
  return options.stopRequested() ? RunStage::interrupted : stage;
}

struct PairOutcome {
  std::int64_t rows = 0;
  std::optional<RunFailure> failure;
};

PairOutcome refused(std::size_t index, FailureReason reason) {
  std::string description = failureReasonText(reason, Language::japanese);
  return {0, RunFailure{RunStage::refused, index, std::move(description), std::nullopt,
                        std::move(reason)}};
}

// One pair inside the open transaction.
PairOutcome replacePair(DatabaseConnection& connection, const RunTarget& target, std::size_t index,
                        const RunPair& pair, RunObserver& observer, const RunOptions& options) {
  if (auto reason = refusalOfCodes(pair)) return refused(index, std::move(*reason));

  NameQuoting quote;
  int column_type = ado::adEmpty;
  try {
    quote = connection.nameQuoting();
    column_type = connection.query(buildProbe(target.table, target.field, quote)).first_column_type;
  } catch (const std::exception& error) {
    return {0, failureOf(stageOfFailure(RunStage::probe, options), index, error)};
  }
  observer.probed(index, column_type);

  PairPlan plan = planPair(pair, column_type, target.field);
  if (!plan.values) return refused(index, std::move(*plan.refusal));
  try {
    if (options.journalsRows()) {
      const IdentitySql identity =
          identitySql(connection, target.table, options.journal->identityColumns());
      const QueryRows rows = connection.queryRows(buildRowsOfPair(
          target.table, target.field, identity.columns, plan.values->old_value, quote));
      options.journal->rowsOfPair(index, journaledRows(rows, identity));
    }
    return {connection.executeStatement(
                buildUpdate(target.table, target.field, std::move(*plan.values), quote)),
            std::nullopt};
  } catch (const std::exception& error) {
    return {0, failureOf(stageOfFailure(RunStage::update, options), index, error)};
  }
}

}  // namespace

RunResult runReplacement(DatabaseConnection& connection, const RunTarget& target,
                         const std::vector<RunPair>& pairs, RunObserver& observer,
                         const RunOptions& options) {
  RunResult result;
  std::optional<TransactionGuard> transaction;
  try {
    transaction.emplace(connection, options.mode);
  } catch (const std::exception& error) {
    result.failure = failureOf(RunStage::begin, std::nullopt, error);
    return result;
  }
  observer.began();
  observer.pairsReviewed(options.findings != nullptr ? *options.findings : reviewRunPairs(pairs));

  MappingOutcome mapping = applyByMapping(connection, target, pairs, options);
  if (mapping.kind == MappingOutcome::Kind::transactionLost) {
    // Nothing of the run had been applied yet: the pairs go one by one in a new transaction.
    try {
      transaction->rollback();
    } catch (const std::exception&) {
      // The data source holds no transaction to end.
    }
    transaction.reset();
    try {
      transaction.emplace(connection, options.mode);
    } catch (const std::exception& error) {
      result.failure = failureOf(RunStage::begin, std::nullopt, error);
      return result;
    }
  }
  result.per_pair_cause = mapping.per_pair_cause;
  if (mapping.per_pair_cause != PerPairCause::none) observer.runsPairByPair(mapping.per_pair_cause);
  if (mapping.kind == MappingOutcome::Kind::applied) {
    result.by_mapping = true;
    for (std::size_t index = 0; index < pairs.size(); ++index) {
      if (options.journalsRows() && index < mapping.rows_of_pairs.size()) {
        options.journal->rowsOfPair(index, std::move(mapping.rows_of_pairs[index]));
      }
      observer.pairStarted(index, pairs[index]);
      observer.probed(index, mapping.column_type);
      result.counts.push_back(mapping.counts[index]);
      result.total += mapping.counts[index];
      observer.pairReplaced(index, mapping.counts[index]);
    }
  } else if (mapping.kind == MappingOutcome::Kind::failed) {
    result.failure = mapping.failure;
    if (result.failure->stage != RunStage::interrupted) observer.runFailed(*result.failure);
  } else if (indexWorthBuilding(options, pairs.size())) {
    // A private copy (the workbook's) gains an index that costs nobody else anything.
    try {
      connection.indexFieldForTransaction(target.table, target.field);
    } catch (const std::exception&) {
      // The run goes on without it.
    }
  }

  for (std::size_t index = result.by_mapping || result.failure ? pairs.size() : 0;
       index < pairs.size(); ++index) {
    if (options.stopRequested()) {
      result.failure = RunFailure{RunStage::interrupted, index,
                                  runInterruptedText(Language::english), std::nullopt};
      break;
    }
    observer.pairStarted(index, pairs[index]);
    PairOutcome outcome = replacePair(connection, target, index, pairs[index], observer, options);
    if (outcome.failure) {
      result.failure = std::move(outcome.failure);
      observer.pairFailed(index, *result.failure);
      break;
    }
    result.counts.push_back(outcome.rows);
    result.total += outcome.rows;
    observer.pairReplaced(index, outcome.rows);
  }
  // A stop after the last pair still keeps the data as it was.
  if (!result.failure && options.stopRequested()) {
    result.failure = RunFailure{RunStage::interrupted, std::nullopt,
                                runInterruptedText(Language::english), std::nullopt};
  }

  // A check meets what the commit would: a deferred constraint left broken fails it as it
  // would fail the real run.
  if (!result.failure && options.mode == RunMode::dryRun) {
    try {
      connection.checkDeferredConstraints();
    } catch (const std::exception& error) {
      result.failure = failureOf(stageOfFailure(RunStage::commit, options), std::nullopt, error);
      observer.commitFailed(*result.failure);
    }
  }

  if (result.failure || options.mode == RunMode::dryRun) {
    if (rollBackRun(*transaction, result, observer)) {
      observer.rolledBack(result.total, result.failure);
      if (!result.failure) result.outcome = RunOutcome::rolledBack;
    }
    return result;
  }

  if (options.journal != nullptr) {
    try {
      options.journal->complete(result);
    } catch (const std::exception& error) {
      result.failure = RunFailure{RunStage::commit, std::nullopt,
                                  journalFailureText(descriptionOf(error)), std::nullopt};
      observer.commitFailed(*result.failure);
      if (rollBackRun(*transaction, result, observer))
        observer.rolledBack(result.total, result.failure);
      return result;
    }
  }

  try {
    transaction->commit();
  } catch (const std::exception& error) {
    // A failed commit is never a success: told, then what the data source still holds is undone.
    result.failure = failureOf(stageOfFailure(RunStage::commit, options), std::nullopt, error);
    observer.commitFailed(*result.failure);
    rollBackRun(*transaction, result, observer);
    return result;
  }
  result.outcome = RunOutcome::committed;
  observer.committed(result.total);
  return result;
}

}  // namespace norvel
