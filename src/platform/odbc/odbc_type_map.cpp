#include "platform/odbc/odbc_type_map.h"

#include <cmath>

#include "platform/odbc/odbc_sql.h"

#include "platform/database.h"

namespace norvel::odbc {

// ODBC SQL type        ADO code                    reported by psqlODBC 13 (PostgreSQL Unicode)
//                                                  and the SQLite3 ODBC driver 0.9998
// -------------------  --------------------------  ---------------------------------------------
// SQL_CHAR             adChar 129                  -
// SQL_VARCHAR          adVarChar 200               pg: boolean (BoolsAsChar=1, the default);
//                                                  sqlite: VARCHAR(n), CHAR(n), NVARCHAR(n),
//                                                  DECIMAL(p,s), columns without a type
// SQL_LONGVARCHAR      adLongVarChar 201           sqlite: TEXT
// SQL_WCHAR            adWChar 130                 pg: char(n)
// SQL_WVARCHAR         adVarWChar 202              pg: varchar(n)
// SQL_WLONGVARCHAR     adLongVarWChar 203          pg: text (TextAsLongVarchar=1, the default)
// SQL_TINYINT          adTinyInt 16 / unsigned 17  sqlite: TINYINT
// SQL_SMALLINT         adSmallInt 2 / unsigned 18  pg: smallint; sqlite: SMALLINT
// SQL_INTEGER          adInteger 3 / unsigned 19   pg: integer; sqlite: INTEGER, INTEGER UNSIGNED
// SQL_BIGINT           adBigInt 20 / unsigned 21   pg: bigint; sqlite: BIGINT
// SQL_REAL             adSingle 4                  pg: real
// SQL_FLOAT/SQL_DOUBLE adDouble 5                  pg: double precision; sqlite: REAL, DOUBLE,
//                                                  NUMERIC(p,s)
// SQL_NUMERIC          adNumeric 131               pg: numeric(p,s)
// SQL_DECIMAL          adNumeric 131               as MSDASQL reports it (adDecimal 14 is the
//                                                  in-memory DECIMAL, not a column type there)
// SQL_BIT              adBoolean 11                sqlite: BOOLEAN
// SQL_TYPE_DATE        adDBDate 133                pg: date; sqlite: DATE
// SQL_TYPE_TIME        adDBTime 134                pg: time
// SQL_TYPE_TIMESTAMP   adDBTimeStamp 135           pg: timestamp
// SQL_BINARY           adBinary 128                sqlite: BLOB
// SQL_VARBINARY        adVarBinary 204             -
// SQL_LONGVARBINARY    adLongVarBinary 205         pg: bytea
// SQL_GUID             adGUID 72                   pg: uuid
// anything else        adVariant 12                SQL_INTERVAL_*, driver-specific types (pg:
//                                                  interval arrives as SQL_WVARCHAR)
// (The ODBC 2 codes SQL_DATE, SQL_TIME and SQL_TIMESTAMP map like their ODBC 3 forms.)
//
// The replacement run treats every character type as text, the long ones included, so SQLite's
// TEXT (201) and PostgreSQL's text (203) get their codes as text too.
int adoTypeOf(SQLSMALLINT sql_type, bool is_unsigned) {
  switch (sql_type) {
    case SQL_CHAR:
      return ado::adChar;
    case SQL_VARCHAR:
      return ado::adVarChar;
    case SQL_LONGVARCHAR:
      return ado::adLongVarChar;
    case SQL_WCHAR:
      return ado::adWChar;
    case SQL_WVARCHAR:
      return ado::adVarWChar;
    case SQL_WLONGVARCHAR:
      return ado::adLongVarWChar;
    case SQL_TINYINT:
      return is_unsigned ? ado::adUnsignedTinyInt : ado::adTinyInt;
    case SQL_SMALLINT:
      return is_unsigned ? ado::adUnsignedSmallInt : ado::adSmallInt;
    case SQL_INTEGER:
      return is_unsigned ? ado::adUnsignedInt : ado::adInteger;
    case SQL_BIGINT:
      return is_unsigned ? ado::adUnsignedBigInt : ado::adBigInt;
    case SQL_REAL:
      return ado::adSingle;
    case SQL_FLOAT:
    case SQL_DOUBLE:
      return ado::adDouble;
    case SQL_NUMERIC:
    case SQL_DECIMAL:
      return ado::adNumeric;
    case SQL_BIT:
      return ado::adBoolean;
    case SQL_TYPE_DATE:
    case SQL_DATE:
      return ado::adDBDate;
    case SQL_TYPE_TIME:
    case SQL_TIME:
      return ado::adDBTime;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
      return ado::adDBTimeStamp;
    case SQL_BINARY:
      return ado::adBinary;
    case SQL_VARBINARY:
      return ado::adVarBinary;
    case SQL_LONGVARBINARY:
      return ado::adLongVarBinary;
    case SQL_GUID:
      return ado::adGUID;
    default:
      return ado::adVariant;
  }
}

bool hasSignedness(SQLSMALLINT sql_type) {
  return sql_type == SQL_TINYINT || sql_type == SQL_SMALLINT || sql_type == SQL_INTEGER ||
         sql_type == SQL_BIGINT;
}

SQLSMALLINT numberParameterType(double value, int column_type, bool bigint_supported) {
  const bool whole = std::nearbyint(value) == value;
  if (bigint_supported) return whole && std::fabs(value) < 9.2e18 ? SQL_BIGINT : SQL_DOUBLE;
  switch (column_type) {
    case ado::adTinyInt:
    case ado::adUnsignedTinyInt:
    case ado::adSmallInt:
    case ado::adUnsignedSmallInt:
    case ado::adInteger:
    case ado::adUnsignedInt:
    case ado::adBoolean:
      return whole && value >= -2147483648.0 && value <= 2147483647.0 ? SQL_INTEGER : SQL_DOUBLE;
    default:
      return SQL_DOUBLE;
  }
}

}  // namespace norvel::odbc
