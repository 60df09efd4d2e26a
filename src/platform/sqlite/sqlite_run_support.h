#pragma once

#include <sqlite3.h>

#include <string>

#include "platform/database.h"

namespace norvel::sqlite {

// What the replacement run's set-based strategy needs from an SQLite connection, shared by the
// database files and the workbook's in-memory copy.

// UPDATE … FROM came with SQLite 3.33.
bool hasUpdateFrom();

// The temporary table of DatabaseConnection::createComparableTable: its code columns take the
// declared type (hence the affinity) and the collation of the column the source selects.
void createComparableTable(sqlite3* db, const std::string& name, const std::string& source);

// Every row of a read-only query, values as text.
QueryRows queryRows(sqlite3* db, const std::string& sql);

}  // namespace norvel::sqlite
