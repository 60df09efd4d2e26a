#pragma once

#include <memory>
#include <string>

#include "platform/database.h"

namespace norvel {

// The one process-wide database connection and the operations on it.
class DatabaseSession {
 public:
  explicit DatabaseSession(DatabaseLayer& databases) : databases_(databases) {}

  // Releases (and so closes) the connection, then opens a new one. Throws what the database
  // layer throws; the session then has no connection.
  void Open(const std::string& connection_string);
  // Closes and releases the connection; never fails.
  void CloseDatabase() noexcept;

  // The open connection, or nullptr.
  DatabaseConnection* gAdoConnection() const { return connection_.get(); }
  // The open connection; throws DatabaseError when there is none.
  DatabaseConnection& connection() const;
  // The connection string the open connection was opened with (passwords included).
  const std::string& connectionString() const { return connection_string_; }

 private:
  DatabaseLayer& databases_;
  std::unique_ptr<DatabaseConnection> connection_;
  std::string connection_string_;
};

}  // namespace norvel
