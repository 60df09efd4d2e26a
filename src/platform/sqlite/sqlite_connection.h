#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "platform/database.h"

namespace norvel {

// How long a statement waits for another process's lock before it fails with SQLite's
// "database is locked".
inline constexpr std::chrono::milliseconds kSqliteBusyTimeout{3000};

// Opens an existing SQLite database file read-write (read-only when it has no write bits or
// this process may not write it), with its foreign keys enforced; a missing file is never
// created. Throws DatabaseError with SQLite's own text.
std::unique_ptr<DatabaseConnection> openSqlite(
    const std::string& path, std::chrono::milliseconds busy_timeout = kSqliteBusyTimeout);

}  // namespace norvel
