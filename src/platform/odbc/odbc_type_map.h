#pragma once

#include "platform/odbc/odbc_sql.h"

namespace norvel::odbc {

// The ADO type code for an ODBC SQL type, as the OLE DB provider for ODBC (MSDASQL) reports it.
// `is_unsigned` matters for the integer types only.
int adoTypeOf(SQLSMALLINT sql_type, bool is_unsigned);

// The types whose ADO code depends on signedness.
bool hasSignedness(SQLSMALLINT sql_type);

}  // namespace norvel::odbc
