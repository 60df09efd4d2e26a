#include "engine/transaction_guard.h"

#include <stdexcept>
#include <utility>

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

SavepointGuard::SavepointGuard(DatabaseConnection& connection, std::string name)
    : connection_(connection), name_(std::move(name)) {
  connection_.savepoint(SavepointStep::set, name_);
  active_ = true;
}

SavepointGuard::~SavepointGuard() {
  if (!active_) return;
  try {
    rollBack();
  } catch (const std::exception&) {
    // Leaving by an exception already: the transaction's own rollback undoes it.
  }
}

void SavepointGuard::release() {
  if (!active_) throw std::logic_error("The savepoint has already been ended.");
  active_ = false;
  connection_.savepoint(SavepointStep::release, name_);
}

void SavepointGuard::rollBack() {
  if (!active_) throw std::logic_error("The savepoint has already been ended.");
  active_ = false;
  connection_.savepoint(SavepointStep::rollbackTo, name_);
  connection_.savepoint(SavepointStep::release, name_);
}

}  // namespace norvel
