#include "platform/sqlite/sqlite_column_type.h"

#include <string>

#include "platform/database.h"
#include "platform/sqlite/sqlite_handles.h"
#include "text/ascii_case.h"

namespace norvel::sqlite {

// Declared type, upper-cased; the first row that matches wins. The groups follow SQLite's
// own affinity rules, so a column is never reported as text when SQLite converts its values
// to numbers, or the other way round.
//
//   declared type contains                          ADO type
//   ----------------------------------------------  ------------------------
//   "INT": BIGINT, INT8, BIG INT                    adBigInt (20)
//   "INT": anything else (INTEGER, SMALLINT, …)     adInteger (3)
//   "CHAR" without "VAR": CHAR(n), NCHAR(n)         adWChar (130)
//   "CHAR"/"CLOB"/"TEXT": VARCHAR(n), NVARCHAR(n),  adVarWChar (202)
//      CHARACTER VARYING, TEXT, CLOB
//   "BLOB"                                          adLongVarBinary (205)
//   "REAL"/"FLOA"/"DOUB"                            adDouble (5)
//   "BOOL"                                          adBoolean (11)
//   "DATE"/"TIMESTAMP": DATE, DATETIME, TIMESTAMP   adDBTimeStamp (135)
//   "TIME"                                          adDBTime (134)
//   "NUMERIC"/"DECIMAL"/"NUMBER"                    adNumeric (131)
//   nothing, or any other name (STRING, JSON, …)    by the stored values, below
//
//   storage class of the first non-NULL value of the column
//   ------------------------------------------------------------------------
//   integer                                         adInteger (3)
//   real                                            adDouble (5)
//   blob                                            adLongVarBinary (205)
//   text, or no value at all                        adVarWChar (202)
//
// The replacement run treats every character type as text, the long ones included; TEXT and
// CLOB are reported as 202 rather than a long text code because SQLite has no length limit to
// tell them apart from VARCHAR.
std::optional<int> adoTypeOfDeclaredType(std::string_view declared_type) {
  const std::string upper = asciiUppercase(declared_type);
  const auto has = [&upper](std::string_view part) {
    return upper.find(part) != std::string::npos;
  };

  if (has("INT")) {
    return has("BIGINT") || has("INT8") || has("BIG INT") ? ado::adBigInt : ado::adInteger;
  }
  if (has("CHAR") || has("CLOB") || has("TEXT")) {
    return has("CHAR") && !has("VAR") && !has("CLOB") && !has("TEXT") ? ado::adWChar
                                                                      : ado::adVarWChar;
  }
  if (has("BLOB")) return ado::adLongVarBinary;
  if (has("REAL") || has("FLOA") || has("DOUB")) return ado::adDouble;
  if (has("BOOL")) return ado::adBoolean;
  if (has("DATE") || has("TIMESTAMP")) return ado::adDBTimeStamp;
  if (has("TIME")) return ado::adDBTime;
  if (has("NUMERIC") || has("DECIMAL") || has("NUMBER")) return ado::adNumeric;
  return std::nullopt;
}

int adoTypeOfStorageClass(int storage_class) {
  switch (storage_class) {
    case SQLITE_INTEGER:
      return ado::adInteger;
    case SQLITE_FLOAT:
      return ado::adDouble;
    case SQLITE_BLOB:
      return ado::adLongVarBinary;
    default:
      return ado::adVarWChar;
  }
}

namespace {

// The storage class of the first non-NULL value stored in the column that column 0 of the
// statement reads from, or SQLITE_NULL when that is unknown (an expression, or a library
// built without column metadata) or the column holds no value. This is a best guess for
// columns without a usable declared type, so failures count as "unknown".
int storedValueClass([[maybe_unused]] sqlite3* db, [[maybe_unused]] sqlite3_stmt* statement) {
#ifdef NORVEL_SQLITE_COLUMN_METADATA
  const char* schema = sqlite3_column_database_name(statement, 0);
  const char* table = sqlite3_column_table_name(statement, 0);
  const char* column = sqlite3_column_origin_name(statement, 0);
  if (schema == nullptr || table == nullptr || column == nullptr) return SQLITE_NULL;
  const std::string quoted_column = quoteIdentifier(column);
  const std::string sql = "SELECT " + quoted_column + " FROM " + quoteIdentifier(schema) + "." +
                          quoteIdentifier(table) + " WHERE " + quoted_column +
                          " IS NOT NULL LIMIT 1";
  try {
    const Statement lookup = prepare(db, sql);
    if (lookup && step(db, lookup.get())) return sqlite3_column_type(lookup.get(), 0);
  } catch (const DatabaseError&) {
  }
#endif
  return SQLITE_NULL;
}

}  // namespace

int firstColumnAdoType(sqlite3* db, sqlite3_stmt* statement, bool has_row) {
  if (sqlite3_column_count(statement) == 0) return ado::adEmpty;
  if (const char* declared = sqlite3_column_decltype(statement, 0)) {
    if (const auto type = adoTypeOfDeclaredType(declared)) return *type;
  }
  if (has_row) {
    const int storage_class = sqlite3_column_type(statement, 0);
    if (storage_class != SQLITE_NULL) return adoTypeOfStorageClass(storage_class);
  }
  return adoTypeOfStorageClass(storedValueClass(db, statement));
}

}  // namespace norvel::sqlite
