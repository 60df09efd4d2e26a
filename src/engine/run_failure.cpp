#include "engine/run_failure.h"

#include "catalog/failure_texts.h"
#include "engine/failure_reason.h"

namespace norvel {

RunFailure failureOf(RunStage stage, std::optional<std::size_t> index,
                     const std::exception& error) {
  RunFailure failure{stage, index, descriptionOf(error), std::nullopt};
  if (const auto* database_error = dynamic_cast<const DatabaseError*>(&error)) {
    failure.error = *database_error;
  } else if (const auto* refusal = dynamic_cast<const ReasonError*>(&error)) {
    failure.reason = refusal->reason();
  }
  return failure;
}

bool rollBackRun(TransactionGuard& transaction, RunResult& result, RunObserver& observer) {
  try {
    transaction.rollback();
    return true;
  } catch (const std::exception& error) {
    result.rollback_failure = descriptionOf(error);
    if (!result.failure) result.failure = failureOf(RunStage::commit, std::nullopt, error);
    observer.rollbackFailed(*result.rollback_failure);
    return false;
  }
}

}  // namespace norvel
