#include "db/database_session.h"

#include "db/connection_string.h"
#include "engine/messages.h"

namespace norvel {

bool DatabaseSession::OpenDatabase(const std::string& connection_string) {
  // The previous connection is released (and closed) before the new one is opened.
  connection_.reset();
  try {
    connection_ = databases_.open(connection_string);
    return false;
  } catch (const std::exception& error) {
    MsgWarning(windows_, code_page_,
               "データベースをオープンできません\r\n" + MaskPasswords(connection_string) + "\r\n" +
                   error.what());
    return true;
  }
}

void DatabaseSession::CloseDatabase() noexcept {
  if (!connection_) return;
  try {
    connection_->close();
  } catch (...) {
    // Closing at termination never prevents the end.
  }
  try {
    connection_.reset();
  } catch (...) {
  }
}

DatabaseConnection& DatabaseSession::connection() const {
  if (!connection_) throw DatabaseError("The database connection is not open.");
  return *connection_;
}

void DatabaseSession::BeginTransaction() {
  connection().beginTransaction();
}
void DatabaseSession::CommitTransaction() {
  connection().commitTransaction();
}
void DatabaseSession::RollbackTransaction() {
  connection().rollbackTransaction();
}

}  // namespace norvel
