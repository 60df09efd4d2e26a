#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "db/sql_statement.h"

namespace norvel {

// Every database failure carries the data source's own description text.
class DatabaseError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// ADO's data type codes, which the replacement run uses to tell text from numeric columns.
namespace ado {
inline constexpr int adEmpty = 0;
inline constexpr int adTinyInt = 16;
inline constexpr int adSmallInt = 2;
inline constexpr int adInteger = 3;
inline constexpr int adBigInt = 20;
inline constexpr int adUnsignedTinyInt = 17;
inline constexpr int adUnsignedSmallInt = 18;
inline constexpr int adUnsignedInt = 19;
inline constexpr int adUnsignedBigInt = 21;
inline constexpr int adSingle = 4;
inline constexpr int adDouble = 5;
inline constexpr int adCurrency = 6;
inline constexpr int adDate = 7;
inline constexpr int adBSTR = 8;
inline constexpr int adBoolean = 11;
inline constexpr int adVariant = 12;
inline constexpr int adDecimal = 14;
inline constexpr int adGUID = 72;
inline constexpr int adBinary = 128;
inline constexpr int adChar = 129;
inline constexpr int adWChar = 130;
inline constexpr int adNumeric = 131;
inline constexpr int adDBDate = 133;
inline constexpr int adDBTime = 134;
inline constexpr int adDBTimeStamp = 135;
inline constexpr int adVarChar = 200;
inline constexpr int adLongVarChar = 201;
inline constexpr int adVarWChar = 202;
inline constexpr int adLongVarWChar = 203;
inline constexpr int adVarBinary = 204;
inline constexpr int adLongVarBinary = 205;
}  // namespace ado

// What a read-only, forward-only query tells about its result.
struct QueryInfo {
  int first_column_type = ado::adEmpty;  // ADO type code of column 0
  bool eof = true;                       // no current row
};

// One open connection. Every operation throws DatabaseError with the data source's text.
// Destroying an open connection closes it (and rolls back an open transaction).
class DatabaseConnection {
 public:
  virtual ~DatabaseConnection() = default;

  virtual void close() = 0;

  // Executes one statement; returns the number of rows it changed. A text holding more than one
  // statement is refused before anything runs.
  virtual std::int64_t execute(const std::string& sql) = 0;

  // The same for a statement with values. Layers whose SQL has no escape character inside a
  // literal write the values as literals; the others bind them as parameters.
  virtual std::int64_t executeStatement(const SqlStatement& statement) {
    return execute(statement.withLiterals());
  }

  // The data source's identifier quote ("\"" for SQLite and PostgreSQL, "`" for MariaDB), or
  // empty when it has none.
  virtual std::string identifierQuote() { return "\""; }

  // Opens the query read-only and forward-only and describes it; no row is fetched beyond
  // the first.
  virtual QueryInfo query(const std::string& sql) = 0;

  virtual void beginTransaction() = 0;
  virtual void commitTransaction() = 0;
  virtual void rollbackTransaction() = 0;

  // The catalog: every table once, in the data source's own stable order, and the columns of
  // one table in their order. A table the catalog does not have yields no columns.
  virtual std::vector<std::string> tableNames() = 0;
  virtual std::vector<std::string> columnNames(const std::string& table) = 0;
};

class DatabaseLayer {
 public:
  virtual ~DatabaseLayer() = default;

  // Opens a connection for the connection string exactly as the system built it; never creates
  // a missing database file. Throws DatabaseError.
  virtual std::unique_ptr<DatabaseConnection> open(const std::string& connection_string) = 0;
};

}  // namespace norvel
