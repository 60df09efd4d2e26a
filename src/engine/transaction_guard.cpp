#include "engine/transaction_guard.h"

#include <stdexcept>

namespace norvel {

TransactionGuard::TransactionGuard(DatabaseConnection& connection) : connection_(connection) {
  connection_.beginTransaction();
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
  connection_.commitTransaction();
  active_ = false;
}

void TransactionGuard::rollback() {
  requireActive();
  active_ = false;
  connection_.rollbackTransaction();
}

}  // namespace norvel
