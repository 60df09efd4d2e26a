#pragma once

#include <memory>
#include <string>

#include "platform/database.h"

namespace norvel::batch {

// Opens through another layer, but every connection it hands out rolls back where the window
// commits: a run goes through every pair and reports its counts with nothing changed.
class DryRunDatabaseLayer : public DatabaseLayer {
 public:
  explicit DryRunDatabaseLayer(DatabaseLayer& real) : real_(real) {}

  std::unique_ptr<DatabaseConnection> open(const std::string& connection_string) override;

  // True once a commit was turned into a rollback.
  bool rolledBackInsteadOfCommit() const { return rolled_back_; }

 private:
  DatabaseLayer& real_;
  bool rolled_back_ = false;
};

}  // namespace norvel::batch
