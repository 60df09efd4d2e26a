#pragma once

#include "engine/replacement_run.h"
#include "platform/database.h"

namespace norvel {

// A transaction over a DatabaseConnection: begun by the constructor, rolled back by the
// destructor unless ended. A dry run's is only ever rolled back, so that the data source may
// hold it where the data can only be read (DatabaseConnection::beginCheckOnlyTransaction).
// Ending it twice, or committing a dry run's, is a logic error (std::logic_error).
class TransactionGuard {
 public:
  // Throws what the begin throws.
  explicit TransactionGuard(DatabaseConnection& connection, RunMode mode = RunMode::commit);
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
  RunMode mode_;
  bool active_ = false;
};

}  // namespace norvel
