#include "engine/transaction_guard.h"

#include <stdexcept>

namespace norvel {

TransactionGuard::TransactionGuard(DatabaseConnection& connection, RunMode mode)
    : connection_(connection), mode_(mode) {
  if (mode_ == RunMode::dryRun) {
    connection_.beginCheckOnlyTransaction();
  } else {
    connection_.beginTransaction();
  }
  active_ = true;
}

TransactionGuard::~TransactionGuard() {
  if (!active_) return;
  try {
    connection_.rollbackTransaction();
  } catch (const std::exception&) {
    // Leaving by an exception already: the connection rolls back what is left when it closes.
  }
}

void TransactionGuard::requireActive() const {
  if (!active_) throw std::logic_error("The transaction has already been ended.");
}

void TransactionGuard::commit() {
  requireActive();
  if (mode_ == RunMode::dryRun) {
    throw std::logic_error("A dry run's transaction is never committed.");
  }
  connection_.commitTransaction();
  active_ = false;
}

void TransactionGuard::rollback() {
  requireActive();
  active_ = false;
  connection_.rollbackTransaction();
}

}  // namespace norvel
