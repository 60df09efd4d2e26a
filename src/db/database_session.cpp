#include "db/database_session.h"

#include "catalog/connect_texts.h"

namespace norvel {

void DatabaseSession::Open(const std::string& connection_string) {
  // The previous connection is released (and closed) before the new one is opened.
  connection_.reset();
  connection_string_.clear();
  connection_ = databases_.open(connection_string);
  connection_string_ = connection_string;
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
  if (!connection_) throw DatabaseError(notConnectedText());
  return *connection_;
}

}  // namespace norvel
