#pragma once

#include <sqlite3.h>

#include <optional>
#include <string_view>

namespace norvel::sqlite {

// The ADO type code a declared column type stands for; nothing when the declared type is
// missing or a name SQLite gives NUMERIC affinity only by default (STRING, JSON, …), so that
// the values themselves must tell.
std::optional<int> adoTypeOfDeclaredType(std::string_view declared_type);

// The ADO type code of one value's storage class (SQLITE_INTEGER, …).
int adoTypeOfStorageClass(int storage_class);

// The ADO type code of column 0 of a prepared statement that has been stepped once;
// has_row tells whether that step yielded a row.
int firstColumnAdoType(sqlite3* db, sqlite3_stmt* statement, bool has_row);

}  // namespace norvel::sqlite
