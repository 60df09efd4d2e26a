#pragma once

#include <string>
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

// A savepoint inside the open transaction, set by the constructor. release() keeps what was done
// since; rollBack() undoes it and ends the savepoint; the destructor undoes it unless one of them
// ran. Either ends the guard even when it fails.
class SavepointGuard {
 public:
  SavepointGuard(DatabaseConnection& connection, std::string name);  // throws what setting throws
  ~SavepointGuard();
  SavepointGuard(const SavepointGuard&) = delete;
  SavepointGuard& operator=(const SavepointGuard&) = delete;

  void release();
  void rollBack();

 private:
  DatabaseConnection& connection_;
  std::string name_;
  bool active_ = false;
};

}  // namespace norvel
