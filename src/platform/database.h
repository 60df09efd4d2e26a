#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/sql_statement.h"

namespace norvel {

// What kind of failure a data source reported, for callers that react to it (retry when busy,
// say the link is gone); the text shown stays the data source's own.
enum class DatabaseErrorCategory {
  other,
  connection,      // could not connect or log in
  syntax,          // bad SQL, or a table or field name the data source does not know
  constraint,      // a check, unique, foreign key or not-null rule refused the change
  busy,            // locked by another user or transaction, deadlock, timeout
  readOnly,        // the file, database or transaction is read-only
  permission,      // the user lacks the right (a privilege, the file system's permission)
  diskFull,        // no room left to write
  connectionLost,  // the link broke after it was open
  interrupted,     // cancelled on request
};

// What this program's database services found themselves, where no data source or system
// said it. They name it and its values; the catalogue gives the words in the user's language,
// so that the window and norvel-batch say it alike.
enum class DatabaseSituation {
  none,  // the error's text is the data source's own
  // The connection string and the file it names.
  noDataSourceFile,  // Data Source names no file
  noProvider,        // neither a provider nor an ODBC driver or data source
  unknownProvider,   // name: the provider
  fileMissing,       // path
  fileIsFolder,      // path
  fileUnreadable,    // path; the text is the system's reason
  compoundDocument,  // path: an OLE compound document (an Excel 97-2003 workbook, …)
  zipPackage,        // path: a zip package (an .xlsx workbook, …)
  notADatabase,      // path: neither an SQLite nor an Access database
  noSqliteFile,      // an SQLite connection without its file
  // The ODBC driver of an Access file or of Oracle.
  accessDriverMissing,       // path; unixODBC has no Access driver
  oracleDriverMissing,       // unixODBC has no Oracle driver
  accessDriverOtherBitness,  // name: the driver registered only for the other bitness; bits
  oracleDriverOtherBitness,  // name, bits
  accdbNeedsAceDriver,       // path; name: the driver needed, other_name: the one there; bits
  // path; name: the driver needed; bits; other_name: the driver a program of the other
  // bitness could open the file with, or empty
  accessDriverNotRegistered,
  oracleDriverNotRegistered,  // bits
  // Statements and transactions.
  noStatement,         // an empty statement
  multipleStatements,  // more than one statement in a text; nothing ran
  emptyQuery,          // a query without a statement
  queryChangesData,    // a query that would change the database
  checkOnlyCommit,     // a commit of a transaction that may only be rolled back
  transactionAlreadyOpen,
  noTransaction,     // a commit or rollback outside a transaction
  connectionClosed,  // an operation on a closed connection
  fileReplaced,      // path: deleted or replaced while open; nothing was committed
  // The link broke; nothing was committed. The text is the driver's, or empty where the
  // driver claimed success.
  connectionLost,
  noEnvironment,  // the ODBC driver manager allocated no environment handle
  noQueryRows,    // this data source cannot return a query's rows
  // The set-based strategy's temporary table.
  sourceHasNoColumn,       // its source query has no column
  sourceHasNoTableColumn,  // its source query's column is no table's
  declaredTypeUnknown,     // the SQLite library cannot tell a column's declared type
  columnTypeUnknown,       // the temporary table's column type could not be read
  fieldTypeUnknown,        // the field's type could not be read
  strictModeOff,           // MariaDB's session is not in strict SQL mode
};

// The values a situation names, given by name ({.path = …}); each defaults to empty.
struct SituationValues {
  std::string path{};        // a file
  std::string name{};        // a provider's or a driver's name
  std::string other_name{};  // a second driver's name
  int bits = 0;              // this program's bitness
};

// Every database failure carries the data source's own description text, and what the data
// source said about it: SQLSTATE and the native error code where it gives them. A situation
// the services found themselves carries its kind and values instead of words; its text is
// then only what the data source or the system added (often nothing).
class DatabaseError : public std::runtime_error {
 public:
  using Category = DatabaseErrorCategory;
  using Situation = DatabaseSituation;

  explicit DatabaseError(const std::string& text) : std::runtime_error(text) {}
  explicit DatabaseError(const char* text) : std::runtime_error(text) {}
  DatabaseError(const std::string& text, Category category, std::string sql_state = {},
                std::optional<std::int64_t> native_code = std::nullopt)
      : std::runtime_error(text),
        category_(category),
        sql_state_(std::move(sql_state)),
        native_code_(native_code) {}
  explicit DatabaseError(Situation situation, SituationValues values = {},
                         const std::string& text = {}, Category category = Category::other,
                         std::string sql_state = {},
                         std::optional<std::int64_t> native_code = std::nullopt)
      : std::runtime_error(text),
        category_(category),
        sql_state_(std::move(sql_state)),
        native_code_(native_code),
        situation_(situation),
        values_(std::move(values)) {}

  Category category() const { return category_; }
  const std::string& sqlState() const { return sql_state_; }  // empty when not given
  std::optional<std::int64_t> nativeCode() const { return native_code_; }
  Situation situation() const { return situation_; }
  const SituationValues& values() const { return values_; }

 private:
  Category category_ = Category::other;
  std::string sql_state_;
  std::optional<std::int64_t> native_code_;
  Situation situation_ = Situation::none;
  SituationValues values_;
};

// What keeps a connection from writing, as far as the data source tells once it is open.
enum class WriteBarrier {
  none,
  readOnlyFile,         // the database file may only be read
  readOnlyTransaction,  // the session's transactions are read-only (a standby, a read-only
                        // user's default)
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

// How a data source's SQL writes a table or field name that is not plain.
struct NameQuoting {
  std::string identifier_quote;  // empty when the data source has none
  // Takes "[name]": a table name with "$" (a worksheet, "[Sheet1$]") and its fields are then
  // written between brackets, as Jet's SQL writes them.
  bool brackets = false;
};

enum class SavepointStep { set, rollbackTo, release };

// Why one UPDATE over many pairs would not be the same as one UPDATE per pair.
enum class PerPairCause {
  none,
  // Triggers or rules that fire on UPDATE: they would fire once per statement, or see rows in
  // another order, and may write the field themselves.
  updateTriggers,
  // A unique index or constraint over the field (plain, over an expression, or partial): the
  // per-pair run meets a duplicate at its pair, one statement in whatever order it takes rows.
  uniqueIndex,
};

// The rows of a query, every value as text; nullopt for NULL.
using QueryRows = std::vector<std::vector<std::optional<std::string>>>;

// What the replacement run's set-based strategy needs of a data source beyond plain statements:
// a temporary table of the pairs that compares with the field as the per-pair statement does,
// and what the table's definition says about one UPDATE over many pairs. Offered by SQLite
// (3.33 on, for UPDATE … FROM), PostgreSQL and the workbook's copy; every operation throws
// DatabaseError with the data source's text.
class SetBasedSupport {
 public:
  virtual ~SetBasedSupport() = default;

  // Creates, inside the open transaction, the temporary table `name` (pair_position, old_code,
  // new_code) for the codes of the pairs of the field that `source`, a SELECT of one field,
  // reads. new_code stores a value as the field stores it; old_code compares with the field as
  // the per-pair statement's value does (`numeric_codes`: the codes are whole numbers, otherwise
  // texts), never narrowed to the field's length or precision.
  virtual void createComparableTable(const std::string& name, const std::string& source,
                                     bool numeric_codes) = 0;
  // How the statements of the run name a temporary table: qualified by the temporary schema
  // where the data source has one, so that no table of the user's can stand in for it.
  virtual std::string temporaryTableReference(const std::string& name) = 0;
  virtual void dropTemporaryTable(const std::string& name) = 0;
  // Statistics of a filled temporary table: without them a planner guesses it large and may
  // index or scan the field for a join with a thousand pairs.
  virtual void analyzeTemporaryTable(const std::string& name) = 0;

  // Whether the UPDATE can return the pair position of each row it changed (PostgreSQL's
  // RETURNING of the joined table): the counts then come from the changed rows themselves.
  virtual bool updateReturnsPairs() { return false; }
  // Whether, besides, the row's value before the UPDATE is byte for byte the old code it
  // equalled (PostgreSQL's text and varchar in a deterministic collation, its whole numbers), so
  // that the UPDATE can return the rows a journal keeps instead of a read before it.
  virtual bool updateReturnsValuesBefore(const std::string& /*table*/,
                                         const std::string& /*field*/) {
    return false;
  }

  // Whether the UPDATE joins the code table as MySQL writes it (UPDATE t JOIN m ON … SET …)
  // rather than UPDATE … FROM.
  virtual bool updatesByJoin() { return false; }
  // Whether an UPDATE's count is of the rows whose value it changed (MariaDB and MySQL without
  // the client's found-rows flag) rather than of the rows it found; learnt on the filled
  // temporary table `name`.
  virtual bool countsChangedRows(const std::string& /*name*/) { return false; }
  // The columns of the table's primary key where the rows to change are best found by one scan
  // and then changed by key (MariaDB and MySQL, whose UPDATE can neither return nor count its
  // rows per pair, so that their counts would otherwise take a scan of their own); empty
  // elsewhere or without a primary key.
  virtual std::vector<std::string> primaryKeyColumns(const std::string& /*table*/) { return {}; }

  // Where the UPDATE cannot return them, a function of the connection it can call for each row
  // it changes, as name(position, value): it counts the row for the position (from 0, below
  // `positions`) and returns the value. Empty where the data source has none; rowCounts then
  // has the counts since the last call.
  virtual std::string rowCountingFunction(std::size_t /*positions*/) { return {}; }
  virtual std::vector<std::int64_t> rowCounts() { return {}; }
  // The calls that passed the function more than a position and a value, since the last call of
  // rowCountingFunction: per call the position, then those further values as text (none: NULL).
  virtual QueryRows countedRows() { return {}; }

  // What the table refuses of a value written to the field beyond the field's type. The run
  // that writes only each row's last value must not skip one the per-pair run would be refused
  // for; where the data source cannot tell, both.
  struct WrittenValueChecks {
    bool refuses_null = true;   // NOT NULL
    bool checks_values = true;  // a check constraint, a foreign key, a cell that may not change
  };
  virtual WrittenValueChecks writtenValueChecks(const std::string& /*table*/,
                                                const std::string& /*field*/) {
    return {};
  }

  // What in the table's definition makes one UPDATE over many pairs differ from one UPDATE per
  // pair; the run then applies the pairs one by one.
  virtual PerPairCause perPairCause(const std::string& table, const std::string& field) = 0;

  // Whether looking up one code in the field uses an index. Where the data source answers a
  // thousand indexed lookups faster than the set-based statements (an SQLite file), the run
  // then applies the pairs one by one. False where it cannot tell.
  virtual bool fieldLookupUsesIndex(const std::string& /*table*/, const std::string& /*field*/) {
    return false;
  }
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

  // Whether the SQL takes a name between brackets. SQLite and the workbook do; of the ODBC
  // drivers only Jet's and ACE's (Access, Excel) and MDB Tools: PostgreSQL and MariaDB refuse
  // them.
  virtual bool takesBracketedNames() { return true; }

  NameQuoting nameQuoting() { return {identifierQuote(), takesBracketedNames()}; }

  // Opens the query read-only and forward-only and describes it; no row is fetched beyond
  // the first.
  virtual QueryInfo query(const std::string& sql) = 0;

  virtual void beginTransaction() = 0;
  virtual void commitTransaction() = 0;
  virtual void rollbackTransaction() = 0;
  // A transaction that is only ever rolled back (a check: a run's counts, nothing changed). A
  // data source may hold it where the data can only be read, on a private copy; rolling back
  // ends it as any other, and committing it fails.
  virtual void beginCheckOnlyTransaction() { beginTransaction(); }
  // Checks now what the commit would check at its end (deferred constraints), so that a check
  // that never commits meets what the real run's commit would meet. Throws DatabaseError.
  virtual void checkDeferredConstraints() {}

  // Asks the statement running on this connection, on another thread, to stop soon; it then
  // fails with the data source's text. Safe from any thread (not from a signal handler); does
  // nothing when no statement runs or the data source cannot cancel one.
  virtual void interrupt() noexcept {}

  virtual void savepoint(SavepointStep step, const std::string& name) {
    switch (step) {
      case SavepointStep::set:
        execute("SAVEPOINT " + name);
        break;
      case SavepointStep::rollbackTo:
        execute("ROLLBACK TO SAVEPOINT " + name);
        break;
      case SavepointStep::release:
        execute("RELEASE SAVEPOINT " + name);
        break;
    }
  }

  // Every row of a read-only query.
  virtual QueryRows queryRows(const SqlStatement& /*statement*/) {
    throw DatabaseError(DatabaseSituation::noQueryRows);
  }

  // The set-based strategy's needs, where the data source meets them; none otherwise, and the
  // run then applies the pairs one statement each.
  virtual SetBasedSupport* setBasedSupport() { return nullptr; }

  // Whether the data source still holds the open transaction: some (SQLite on a full disk) end
  // it themselves when a statement fails.
  virtual bool transactionOpen() { return true; }

  // Where the data is a private copy (the workbook's), indexes the field until the open
  // transaction ends, which costs nobody else anything; false where it does not.
  virtual bool indexFieldForTransaction(const std::string& /*table*/,
                                        const std::string& /*field*/) {
    return false;
  }

  // What the data source says right after connecting about writes it would refuse; none where
  // it cannot tell.
  virtual WriteBarrier writeBarrier() { return WriteBarrier::none; }

  // The catalog: every table once, in the data source's own stable order, and the columns of
  // one table in their order. A table the catalog does not have yields no columns.
  virtual std::vector<std::string> tableNames() = 0;
  virtual std::vector<std::string> columnNames(const std::string& table) = 0;
  // Where the table is a worksheet of a workbook: the SQL name of each row's worksheet row
  // number, which names the row for as long as nobody inserts or deletes rows in the sheet.
  // None for a table of a database.
  virtual std::optional<std::string> worksheetRowName(const std::string& /*table*/) {
    return std::nullopt;
  }
};

class DatabaseLayer {
 public:
  virtual ~DatabaseLayer() = default;

  // Opens a connection for the connection string exactly as the system built it; never creates
  // a missing database file. Throws DatabaseError.
  virtual std::unique_ptr<DatabaseConnection> open(const std::string& connection_string) = 0;
};

}  // namespace norvel
