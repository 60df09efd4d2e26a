#pragma once

#include "platform/odbc/odbc_sql.h"

#include <optional>
#include <string>

namespace norvel::odbc {

// Advances to the next row of a result set; false at its end. Throws DatabaseError.
bool fetchRow(SQLHSTMT stmt);

// The text of one column of the current row; nullopt for SQL NULL. Throws DatabaseError.
std::optional<std::string> columnText(SQLHSTMT stmt, SQLUSMALLINT column);

// A text-valued SQLGetInfo item; empty when the driver does not answer.
std::string infoText(SQLHDBC dbc, SQLUSMALLINT info_type);

}  // namespace norvel::odbc
