#pragma once

#include "platform/odbc/odbc_sql.h"

namespace norvel::odbc {

// The ADO type code for an ODBC SQL type, as the OLE DB provider for ODBC (MSDASQL) reports it.
// `is_unsigned` matters for the integer types only.
int adoTypeOf(SQLSMALLINT sql_type, bool is_unsigned);

// The types whose ADO code depends on signedness.
bool hasSignedness(SQLSMALLINT sql_type);

// The SQL type a number is bound as: a whole number as BIGINT, so that an index on an integer
// column still serves, anything else as DOUBLE. A driver without BIGINT (Access's rejects it with
// HYC00) gets the column's own kind instead: INTEGER for a whole number in an integer column
// that fits, DOUBLE for everything else.
SQLSMALLINT numberParameterType(double value, int column_type, bool bigint_supported);

}  // namespace norvel::odbc
