#pragma once

#include <cstddef>
#include <exception>
#include <optional>

#include "engine/replacement_run.h"
#include "engine/transaction_guard.h"

namespace norvel {

// What went wrong at `stage` (for the pair at `index`, if any), with the data source's own error
// or the refusal's reason when the exception carries one.
RunFailure failureOf(RunStage stage, std::optional<std::size_t> index, const std::exception& error);

// Rolls back a run's transaction; a failure is kept in the result and told, never thrown.
bool rollBackRun(TransactionGuard& transaction, RunResult& result, RunObserver& observer);

}  // namespace norvel
