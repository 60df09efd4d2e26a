#pragma once

#include <memory>
#include <string>

#include "platform/code_page.h"
#include "platform/database.h"
#include "platform/window_system.h"

namespace norvel {

// The one process-wide database connection and the operations on it.
class DatabaseSession {
 public:
  DatabaseSession(DatabaseLayer& databases, WindowSystem& windows, const CodePage932& code_page)
      : databases_(databases), windows_(windows), code_page_(code_page) {}

  // Replaces the connection by a new one and opens it. True means the open failed and the user
  // has been told (with any password in the string masked).
  bool OpenDatabase(const std::string& connection_string);
  // Closes and releases the connection; never fails.
  void CloseDatabase() noexcept;

  // Throw DatabaseError; no connection is a failure too.
  void BeginTransaction();
  void CommitTransaction();
  void RollbackTransaction();

  // The open connection, or nullptr.
  DatabaseConnection* gAdoConnection() const { return connection_.get(); }
  // The open connection; throws DatabaseError when there is none.
  DatabaseConnection& connection() const;

 private:
  DatabaseLayer& databases_;
  WindowSystem& windows_;
  const CodePage932& code_page_;
  std::unique_ptr<DatabaseConnection> connection_;
};

}  // namespace norvel
