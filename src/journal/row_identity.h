#pragma once

#include <string>
#include <vector>

#include "platform/database.h"

namespace norvel {

// The columns that name one row of the table for a journal, asked of the catalog outside any
// transaction: a worksheet's sheet and row number, SQLite's rowid where the table has one,
// otherwise the primary key, otherwise a unique index over NOT NULL columns. Empty when there is
// none, or when the key holds the field the run changes (a changed row would no longer be found by
// it).
std::vector<std::string> findRowIdentity(DatabaseConnection& connection, const std::string& table,
                                         const std::string& field);

}  // namespace norvel
