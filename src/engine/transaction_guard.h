#pragma once

#include "platform/database.h"

namespace norvel {

// A transaction over a DatabaseConnection: begun by the constructor, rolled back by the
// destructor unless ended. Ending it twice is a logic error (std::logic_error).
class TransactionGuard {
 public:
  explicit TransactionGuard(DatabaseConnection& connection);  // throws what the begin throws
  ~TransactionGuard();
  TransactionGuard(const TransactionGuard&) = delete;
  TransactionGuard& operator=(const TransactionGuard&) = delete;

  // A commit that fails leaves the transaction open, so that a rollback can still end it.
  void commit();
  // Ends the transaction even when the rollback fails: a second attempt would meet the same.
  void rollback();
  bool active() const { return active_; }

 private:
  void requireActive() const;

  DatabaseConnection& connection_;
  bool active_ = false;
};

}  // namespace norvel
