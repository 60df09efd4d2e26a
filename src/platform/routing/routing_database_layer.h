#pragma once

#include "platform/database.h"

namespace norvel {

// Chooses the back end for a connection string the system built or the user typed: SQLite
// files, workbooks, Jet/ACE files, Oracle and any ODBC string. The string itself is never
// rewritten for display; unsupported strings fail with a description of what is supported.
class RoutingDatabaseLayer : public DatabaseLayer {
 public:
  std::unique_ptr<DatabaseConnection> open(const std::string& connection_string) override;
};

}  // namespace norvel
