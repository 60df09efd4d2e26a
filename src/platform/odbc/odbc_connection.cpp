#include "platform/odbc/odbc_connection.h"

#include "platform/odbc/odbc_sql.h"

#include "platform/odbc/mariadb_run_support.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <mutex>
#include <optional>

#include "platform/odbc/odbc_diagnostic.h"
#include "platform/odbc/odbc_environment.h"
#include "platform/odbc/odbc_handle.h"
#include "platform/odbc/odbc_result.h"
#include "platform/odbc/odbc_type_map.h"
#include "platform/odbc/odbc_wide.h"
#include "text/ascii_case.h"

namespace norvel {
namespace {

using odbc::check;

// Columns of the SQLTables and SQLColumns result sets.
constexpr SQLUSMALLINT kSchemaColumn = 2;
constexpr SQLUSMALLINT kTableColumn = 3;
constexpr SQLUSMALLINT kColumnNameColumn = 4;

#if defined(_WIN32)
constexpr bool kWideDriverManager = true;
#else
constexpr bool kWideDriverManager = false;
#endif

bool isAscii(const std::string& text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Escapes the search-pattern characters of a catalog argument that names one object. The
// escape character itself goes as "_", any one character: drivers read an escaped escape
// differently (psqlODBC takes "\\" for two backslashes), and the caller compares the names the
// pattern finds with the name exactly.
std::string escapePattern(const std::string& name, const std::string& escape) {
  if (escape.empty()) return name;
  std::string escaped;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name.compare(i, escape.size(), escape) == 0) {
      escaped += '_';
      i += escape.size() - 1;
      continue;
    }
    if (name[i] == '_' || name[i] == '%') escaped += escape;
    escaped += name[i];
  }
  return escaped;
}

// A name between double quotes, any inside doubled: PostgreSQL's quoting.
std::string doubleQuoted(const std::string& name) {
  std::string quoted = "\"";
  for (const char c : name) {
    quoted += c;
    if (c == '"') quoted += c;
  }
  return quoted + "\"";
}

// The SQL type a text is bound as: the column's own kind of character type, so that the server
// compares the way it compares the column (PostgreSQL pads char(n) only against char(n)).
SQLSMALLINT textParameterType(int ado_type) {
  switch (ado_type) {
    case ado::adChar:
    case ado::adWChar:
      return SQL_WCHAR;
    case ado::adLongVarChar:
    case ado::adLongVarWChar:
      return SQL_WLONGVARCHAR;
    default:
      return SQL_WVARCHAR;
  }
}

// The buffers of one statement's parameters; they must live until the statement has run.
class BoundParameters {
 public:
  void bind(SQLHSTMT stmt, const std::vector<SqlValue>& values, bool bigint_supported) {
    texts_.reserve(values.size());
    integers_.reserve(values.size());
    small_integers_.reserve(values.size());
    reals_.reserve(values.size());
    lengths_.reserve(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
      const auto number = static_cast<SQLUSMALLINT>(i + 1);
      const SqlValue& value = values[i];
      if (value.kind == SqlValue::Kind::text) {
        bindText(stmt, number, value);
      } else {
        bindNumber(stmt, number, value, bigint_supported);
      }
    }
  }

 private:
  void bindText(SQLHSTMT stmt, SQLUSMALLINT number, const SqlValue& value) {
    odbc::WideText& text = texts_.emplace_back(odbc::toWide(value.text));
    const SQLLEN bytes = odbc::wideLength(text) * static_cast<SQLLEN>(sizeof(SQLWCHAR));
    SQLLEN& length = lengths_.emplace_back(bytes);
    const auto size = static_cast<SQLULEN>(std::max<SQLINTEGER>(1, odbc::wideLength(text)));
    check(SQLBindParameter(stmt, number, SQL_PARAM_INPUT, SQL_C_WCHAR,
                           textParameterType(value.column_type), size, 0, text.data(), bytes,
                           &length),
          SQL_HANDLE_STMT, stmt, "SQLBindParameter");
  }

  void bindNumber(SQLHSTMT stmt, SQLUSMALLINT number, const SqlValue& value,
                  bool bigint_supported) {
    double real_value = 0;
    std::from_chars(value.text.data(), value.text.data() + value.text.size(), real_value);
    SQLLEN& length = lengths_.emplace_back(0);
    switch (odbc::numberParameterType(real_value, value.column_type, bigint_supported)) {
      case SQL_BIGINT: {
        SQLBIGINT& integer = integers_.emplace_back(static_cast<SQLBIGINT>(real_value));
        check(SQLBindParameter(stmt, number, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0,
                               &integer, 0, &length),
              SQL_HANDLE_STMT, stmt, "SQLBindParameter");
        break;
      }
      case SQL_INTEGER: {
        SQLINTEGER& integer = small_integers_.emplace_back(static_cast<SQLINTEGER>(real_value));
        check(SQLBindParameter(stmt, number, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0,
                               &integer, 0, &length),
              SQL_HANDLE_STMT, stmt, "SQLBindParameter");
        break;
      }
      default: {
        double& real = reals_.emplace_back(real_value);
        check(SQLBindParameter(stmt, number, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 15, 0,
                               &real, 0, &length),
              SQL_HANDLE_STMT, stmt, "SQLBindParameter");
      }
    }
  }

  // Reserved up front: SQLBindParameter keeps the addresses.
  std::vector<odbc::WideText> texts_;
  std::vector<SQLBIGINT> integers_;
  std::vector<SQLINTEGER> small_integers_;
  std::vector<double> reals_;
  std::vector<SQLLEN> lengths_;
};

class OdbcConnection final : public DatabaseConnection, public SetBasedSupport {
 public:
  OdbcConnection(odbc::EnvHandle env, odbc::DbcHandle dbc)
      : env_(std::move(env)), dbc_(std::move(dbc)) {}
  OdbcConnection(const OdbcConnection&) = delete;
  OdbcConnection& operator=(const OdbcConnection&) = delete;
  ~OdbcConnection() override { close(); }

  void close() override {
    if (!dbc_) return;
    // An open transaction is rolled back before the disconnect; a dead link fails both quietly.
    if (in_transaction_) SQLEndTran(SQL_HANDLE_DBC, dbc_.get(), SQL_ROLLBACK);
    in_transaction_ = false;
    SQLDisconnect(dbc_.get());
    dbc_.reset();
    env_.reset();
  }

  std::int64_t execute(const std::string& sql) override {
    return executeStatement(SqlStatement(sql));
  }

  // The codes travel as bound parameters, never inside the text: a server that reads a backslash
  // as an escape (MariaDB's default, PostgreSQL with standard_conforming_strings off) would
  // otherwise let a code end its literal early.
  std::int64_t executeStatement(const SqlStatement& statement) override {
    odbc::StmtHandle stmt = newStatement();
    const RunningStatement running(*this, stmt.get());
    const SQLRETURN rc = executeBound(stmt.get(), statement);
    // A searched UPDATE or DELETE that matched nothing.
    if (rc == SQL_NO_DATA) return 0;
    checkStatement(rc, stmt.get());
    SQLLEN rows = 0;
    check(SQLRowCount(stmt.get(), &rows), SQL_HANDLE_STMT, stmt.get(), "SQLRowCount");
    // -1: the statement changes no rows (DDL) or the driver cannot tell.
    return rows < 0 ? 0 : static_cast<std::int64_t>(rows);
  }

  QueryInfo query(const std::string& sql) override {
    // ODBC statements are forward-only and read-only unless asked otherwise.
    odbc::StmtHandle stmt = newStatement();
    const RunningStatement running(*this, stmt.get());
    const odbc::WideText text = odbc::toWide(sql);
    const SQLRETURN rc =
        SQLExecDirectW(stmt.get(), const_cast<SQLWCHAR*>(text.data()), odbc::wideLength(text));
    QueryInfo info;
    if (rc == SQL_NO_DATA) return info;
    checkStatement(rc, stmt.get());
    SQLSMALLINT columns = 0;
    check(SQLNumResultCols(stmt.get(), &columns), SQL_HANDLE_STMT, stmt.get(), "SQLNumResultCols");
    if (columns == 0) return info;
    info.first_column_type = firstColumnType(stmt.get());
    info.eof = !odbc::fetchRow(stmt.get());
    SQLFreeStmt(stmt.get(), SQL_CLOSE);
    return info;
  }

  // The set-based statements are PostgreSQL's: temporary tables, UPDATE … FROM, RETURNING.
  // psqlODBC's statement-level rollback (a SAVEPOINT around every statement) can only be turned
  // off in the connection string, which is the user's; the set-based run sends few statements.
  // MariaDB's and MySQL's: temporary tables with an index, one multi-table UPDATE.
  SetBasedSupport* setBasedSupport() override {
    return isPostgresql() || isMariadb() ? this : nullptr;
  }
  bool updateReturnsPairs() override { return isPostgresql(); }
  // A domain, char(n) (blanks at the end), numeric (1.0 = 1.00), a float (0 = -0) or a
  // collation that is not deterministic makes values equal whose text differs.
  bool updateReturnsValuesBefore(const std::string& table, const std::string& field) override {
    if (!isPostgresql()) return false;
    // Collations are all deterministic before 12, which has no column to say so.
    const QueryRows version =
        queryRows(SqlStatement("SELECT pg_catalog.current_setting('server_version_num')"));
    if (version.size() != 1 || version.front().size() != 1 || !version.front()[0]) return false;
    const std::string& number = *version.front()[0];
    long version_number = 0;
    std::from_chars(number.data(), number.data() + number.size(), version_number);
    if (version_number < 120000) return false;
    SqlStatement type(
        "SELECT t.typname, c.collisdeterministic FROM pg_catalog.pg_attribute a JOIN "
        "pg_catalog.pg_type t ON t.oid = a.atttypid LEFT JOIN pg_catalog.pg_collation c ON c.oid "
        "= a.attcollation WHERE a.attrelid = pg_catalog.to_regclass(");
    type.appendValue(SqlValue{SqlValue::Kind::text, doubleQuoted(table), ado::adVarWChar});
    type.appendSql(") AND a.attname = ");
    type.appendValue(SqlValue{SqlValue::Kind::text, field, ado::adVarWChar});
    type.appendSql(
        " AND NOT a.attisdropped AND t.typnamespace = CAST('pg_catalog' AS regnamespace) AND "
        "t.typtype = 'b'");
    const QueryRows rows = queryRows(type);
    if (rows.size() != 1 || rows.front().size() != 2 || !rows.front()[0]) return false;
    const std::string& name = *rows.front()[0];
    if (name == "int2" || name == "int4" || name == "int8") return true;
    // psqlODBC shows a boolean as 1 or 0 unless told to show it as text.
    const std::string deterministic = rows.front()[1].value_or("");
    return (name == "text" || name == "varchar") &&
           (deterministic == "1" || deterministic == "t" || deterministic == "true");
  }
  bool updatesByJoin() override { return isMariadb(); }
  bool countsChangedRows(const std::string& name) override {
    return isMariadb() && !mariadb::countsFoundRows(*this, name);
  }
  bool fieldLookupUsesIndex(const std::string& table, const std::string& field) override {
    return isMariadb() && mariadb::fieldLookupUsesIndex(*this, table, field);
  }
  std::vector<std::string> primaryKeyColumns(const std::string& table) override {
    if (!isMariadb()) return {};
    return mariadb::primaryKeyColumns(*this, table);
  }

  bool isPostgresql() {
    if (!postgresql_) {
      postgresql_ = odbc::infoText(dbc(), SQL_DBMS_NAME) == "PostgreSQL";
    }
    return *postgresql_;
  }
  bool isMariadb() {
    if (!mariadb_) mariadb_ = mariadb::isMariadbOrMysql(odbc::infoText(dbc(), SQL_DBMS_NAME));
    return *mariadb_;
  }

  // CREATE TABLE AS keeps the source column's type modifier (char(8)), domain and collation,
  // which is what new_code needs: a new code is stored as the field stores it. old_code is then
  // made the type the per-pair statement's value has, never narrowed: a text compares as the
  // field's base type without its length (varchar(7) would cut "1000001 " to "1000001"), in the
  // field's collation; a whole number as bigint (real would round 16777217 to 16777216).
  void createComparableTable(const std::string& name, const std::string& source,
                             bool numeric_codes) override {
    if (isMariadb()) return mariadb::createComparableTable(*this, name, source, numeric_codes);
    const std::string table = temporaryTableReference(name);
    execute("CREATE TEMP TABLE " + doubleQuoted(name) +
            " AS SELECT CAST(0 AS integer) AS pair_position, norvel_code AS old_code, norvel_code "
            "AS new_code FROM (" +
            source + ") AS norvel_source(norvel_code)");
    std::string type = "bigint";
    std::string collation;
    if (!numeric_codes) {
      SqlStatement describe(
          "WITH RECURSIVE chain(type, base, coll) AS (SELECT t.oid, t.typbasetype, "
          "a.attcollation FROM pg_catalog.pg_attribute a JOIN pg_catalog.pg_type t ON t.oid = "
          "a.atttypid WHERE a.attrelid = pg_catalog.to_regclass(");
      describe.appendValue(SqlValue{SqlValue::Kind::text, table, ado::adVarWChar});
      describe.appendSql(
          ") AND a.attname = 'old_code' UNION ALL SELECT t.oid, t.typbasetype, chain.coll "
          "FROM chain JOIN pg_catalog.pg_type t ON t.oid = chain.base) SELECT "
          "(SELECT pg_catalog.quote_ident(n.nspname) || '.' || pg_catalog.quote_ident(t.typname) "
          "FROM "
          "pg_catalog.pg_type t JOIN pg_catalog.pg_namespace n ON n.oid = t.typnamespace WHERE "
          "t.oid = chain.type), (SELECT pg_catalog.quote_ident(n.nspname) "
          "|| '.' || pg_catalog.quote_ident(c.collname) FROM pg_catalog.pg_collation c JOIN "
          "pg_catalog.pg_namespace n ON n.oid = c.collnamespace WHERE c.oid = chain.coll) "
          "FROM chain WHERE chain.base = 0");
      const QueryRows rows = queryRows(describe);
      if (rows.empty() || rows.front().size() != 2 || !rows.front()[0]) {
        throw DatabaseError(DatabaseSituation::columnTypeUnknown);
      }
      type = *rows.front()[0];
      if (rows.front()[1]) collation = " COLLATE " + *rows.front()[1];
    }
    execute("ALTER TABLE " + table + " ALTER COLUMN old_code TYPE " + type + collation +
            " USING CAST(NULL AS " + type + ")");
  }
  // What the COMMIT would check of deferred constraints, checked now with the server's words.
  void checkDeferredConstraints() override {
    if (isPostgresql()) execute("SET CONSTRAINTS ALL IMMEDIATE");
  }
  // MariaDB's temporary tables have no schema of their own; one hides a table of the same name.
  std::string temporaryTableReference(const std::string& name) override {
    return isMariadb() ? mariadb::quoteIdentifier(name) : "pg_temp." + doubleQuoted(name);
  }
  void dropTemporaryTable(const std::string& name) override {
    execute((isMariadb() ? "DROP TEMPORARY TABLE " : "DROP TABLE ") +
            temporaryTableReference(name));
  }
  // MariaDB's UPDATE names the order of its join instead.
  void analyzeTemporaryTable(const std::string& name) override {
    if (!isMariadb()) execute("ANALYZE " + temporaryTableReference(name));
  }

  // Triggers and rules on UPDATE of the table or of a table that inherits from it (a
  // partition); unique indexes that hold the field, an expression or a predicate; exclusion
  // constraints. The table is found as the run's statements find it, by the search path.
  PerPairCause perPairCause(const std::string& table, const std::string& field) override {
    if (isMariadb()) return mariadb::perPairCause(*this, table, field);
    SqlStatement check("WITH RECURSIVE target(rel) AS (SELECT pg_catalog.to_regclass(");
    check.appendValue(SqlValue{SqlValue::Kind::text, doubleQuoted(table), ado::adVarWChar});
    check.appendSql(
        ")::oid UNION SELECT i.inhrelid FROM pg_catalog.pg_inherits i JOIN target ON i.inhparent "
        "= target.rel) SELECT (SELECT count(*) FROM pg_catalog.pg_trigger g JOIN target ON "
        "g.tgrelid = target.rel WHERE NOT g.tgisinternal AND (g.tgtype & 16) <> 0) + (SELECT "
        "count(*) FROM pg_catalog.pg_rewrite r JOIN target ON r.ev_class = target.rel WHERE "
        "r.ev_type = '2') + (SELECT count(*) FROM target WHERE target.rel IS NULL), (SELECT "
        "count(*) FROM pg_catalog.pg_index x JOIN target ON x.indrelid "
        "= target.rel WHERE x.indisunique AND (x.indexprs IS NOT NULL OR x.indpred IS NOT NULL OR "
        "EXISTS (SELECT 1 FROM pg_catalog.pg_attribute a WHERE a.attrelid = x.indrelid AND "
        "a.attname = ");
    check.appendValue(SqlValue{SqlValue::Kind::text, field, ado::adVarWChar});
    check.appendSql(
        " AND a.attnum = ANY (CAST(x.indkey AS int2[]))))) + (SELECT count(*) FROM "
        "pg_catalog.pg_constraint c JOIN target ON c.conrelid = target.rel WHERE c.contype = "
        "'x')");
    // A table the lookup does not find the way the catalog named it counts as one with both.
    const QueryRows rows = queryRows(check);
    if (rows.empty() || rows.front().size() != 2) return PerPairCause::updateTriggers;
    if (rows.front()[0].value_or("1") != "0") return PerPairCause::updateTriggers;
    if (rows.front()[1].value_or("1") != "0") return PerPairCause::uniqueIndex;
    return PerPairCause::none;
  }

  // NOT NULL on the field; check and foreign key constraints and generated columns of the table
  // or of a table that inherits from it.
  WrittenValueChecks writtenValueChecks(const std::string& table,
                                        const std::string& field) override {
    if (isMariadb()) return mariadb::writtenValueChecks(*this, table, field);
    WrittenValueChecks checks;
    if (!isPostgresql()) return checks;
    SqlStatement check("WITH RECURSIVE target(rel) AS (SELECT pg_catalog.to_regclass(");
    check.appendValue(SqlValue{SqlValue::Kind::text, doubleQuoted(table), ado::adVarWChar});
    check.appendSql(
        ")::oid UNION SELECT i.inhrelid FROM pg_catalog.pg_inherits i JOIN target ON i.inhparent "
        "= target.rel) SELECT (SELECT count(*) FROM pg_catalog.pg_attribute a JOIN target ON "
        "a.attrelid = target.rel WHERE a.attnotnull AND a.attname = ");
    check.appendValue(SqlValue{SqlValue::Kind::text, field, ado::adVarWChar});
    check.appendSql(
        "), (SELECT count(*) FROM pg_catalog.pg_constraint c JOIN target ON c.conrelid = "
        "target.rel WHERE c.contype IN ('c', 'f')) + (SELECT count(*) FROM pg_catalog.pg_attribute "
        "a JOIN target ON a.attrelid = target.rel WHERE a.attgenerated <> '') + (SELECT count(*) "
        "FROM target WHERE target.rel IS NULL)");
    const QueryRows rows = queryRows(check);
    if (rows.size() == 1 && rows[0].size() == 2) {
      checks.refuses_null = rows[0][0].value_or("1") != "0";
      checks.checks_values = rows[0][1].value_or("1") != "0";
    }
    return checks;
  }

  QueryRows queryRows(const SqlStatement& statement) override {
    odbc::StmtHandle stmt = newStatement();
    const RunningStatement running(*this, stmt.get());
    const SQLRETURN rc = executeBound(stmt.get(), statement);
    QueryRows rows;
    if (rc == SQL_NO_DATA) return rows;
    checkStatement(rc, stmt.get());
    SQLSMALLINT columns = 0;
    check(SQLNumResultCols(stmt.get(), &columns), SQL_HANDLE_STMT, stmt.get(), "SQLNumResultCols");
    while (columns > 0 && odbc::fetchRow(stmt.get())) {
      auto& row = rows.emplace_back();
      for (SQLSMALLINT i = 1; i <= columns; ++i) {
        row.push_back(odbc::columnText(stmt.get(), static_cast<SQLUSMALLINT>(i)));
      }
    }
    return rows;
  }

  std::string identifierQuote() override {
    // A blank means the data source has no identifier quote.
    std::string quote = odbc::infoText(dbc(), SQL_IDENTIFIER_QUOTE_CHAR);
    if (quote == " ") quote.clear();
    return quote;
  }

  // Jet's and ACE's drivers (Access, Excel, text files) and MDB Tools speak Access SQL.
  bool takesBracketedNames() override {
    if (!takes_brackets_) {
      const std::string driver = asciiUppercase(odbc::infoText(dbc(), SQL_DRIVER_NAME));
      const std::string dbms = asciiUppercase(odbc::infoText(dbc(), SQL_DBMS_NAME));
      takes_brackets_ = driver.starts_with("ODBCJT32") || driver.starts_with("ACEODBC") ||
                        dbms == "ACCESS" || dbms == "EXCEL" || dbms == "MDBTOOLS";
    }
    return *takes_brackets_;
  }

  void beginTransaction() override {
    requireOpen();
    if (in_transaction_) throw DatabaseError(DatabaseSituation::transactionAlreadyOpen);
    setAutocommit(false);
    in_transaction_ = true;
  }

  void commitTransaction() override { endTransaction(SQL_COMMIT); }
  void rollbackTransaction() override { endTransaction(SQL_ROLLBACK); }

  // SQLCancel is the one ODBC call meant for another thread while a statement runs.
  void interrupt() noexcept override {
    const std::lock_guard lock(running_mutex_);
    if (running_ != SQL_NULL_HSTMT) SQLCancel(running_);
  }

  // The driver's read-only flag, then the session's own setting where the DBMS has one: a
  // standby, or a user whose transactions default to read-only.
  WriteBarrier writeBarrier() override {
    try {
      if (odbc::infoText(dbc(), SQL_DATA_SOURCE_READ_ONLY) == "Y") {
        return WriteBarrier::readOnlyTransaction;
      }
      const std::string dbms = asciiUppercase(odbc::infoText(dbc(), SQL_DBMS_NAME));
      const char* setting = dbms == "POSTGRESQL"                   ? "SHOW transaction_read_only"
                            : dbms == "MARIADB" || dbms == "MYSQL" ? "SELECT @@session.tx_read_only"
                                                                   : nullptr;
      if (setting == nullptr) return WriteBarrier::none;
      const QueryRows rows = queryRows(SqlStatement(setting));
      if (!rows.empty() && !rows[0].empty() && rows[0][0] &&
          (*rows[0][0] == "on" || *rows[0][0] == "1")) {
        return WriteBarrier::readOnlyTransaction;
      }
    } catch (const DatabaseError&) {
      // A source that cannot tell is taken as writable: the run still meets the refusal.
    }
    return WriteBarrier::none;
  }

  std::vector<std::string> tableNames() override {
    const std::optional<std::vector<std::string>> schemas = searchPath();
    odbc::StmtHandle stmt = newStatement();
    static const odbc::WideText table_types = odbc::toWide("TABLE,VIEW");
    // A null catalog is the one the connection is attached to.
    check(SQLTablesW(stmt.get(), nullptr, 0, nullptr, 0, nullptr, 0,
                     const_cast<SQLWCHAR*>(table_types.data()), SQL_NTS),
          SQL_HANDLE_STMT, stmt.get(), "SQLTables");
    std::vector<std::string> names;
    while (odbc::fetchRow(stmt.get())) {
      std::optional<std::string> schema = odbc::columnText(stmt.get(), kSchemaColumn);
      std::optional<std::string> name = odbc::columnText(stmt.get(), kTableColumn);
      if (!name) continue;
      if (schemas && schemaRank(*schemas, schema) == schemas->size()) continue;
      names.push_back(std::move(*name));
    }
    return names;
  }

  std::vector<std::string> columnNames(const std::string& table) override {
    const std::optional<std::vector<std::string>> schemas = searchPath();
    const std::string escape = odbc::infoText(dbc(), SQL_SEARCH_PATTERN_ESCAPE);
    odbc::StmtHandle stmt = newStatement();
    const odbc::WideText pattern = odbc::toWide(escapePattern(table, escape));
    check(SQLColumnsW(stmt.get(), nullptr, 0, nullptr, 0, const_cast<SQLWCHAR*>(pattern.data()),
                      SQL_NTS, nullptr, 0),
          SQL_HANDLE_STMT, stmt.get(), "SQLColumns");

    // Several schemas may hold a table of that name; the one a query would find wins (the
    // earliest in PostgreSQL's search path, otherwise the first the driver lists).
    struct Row {
      std::size_t rank;
      std::string schema;
      std::string column;
    };
    std::vector<Row> rows;
    while (odbc::fetchRow(stmt.get())) {
      const std::optional<std::string> schema = odbc::columnText(stmt.get(), kSchemaColumn);
      const std::optional<std::string> name = odbc::columnText(stmt.get(), kTableColumn);
      std::optional<std::string> column = odbc::columnText(stmt.get(), kColumnNameColumn);
      // Pattern matching may ignore case or the escape; names compare exactly.
      if (!name || *name != table || !column) continue;
      const std::size_t rank = schemas ? schemaRank(*schemas, schema) : 0;
      if (schemas && rank == schemas->size()) continue;
      rows.push_back({rank, schema.value_or(""), std::move(*column)});
    }
    if (rows.empty()) return {};
    std::vector<std::string> names;
    const auto best = std::min_element(rows.begin(), rows.end(),
                                       [](const Row& a, const Row& b) { return a.rank < b.rank; });
    for (Row& row : rows) {
      if (row.schema == best->schema) names.push_back(std::move(row.column));
    }
    return names;
  }

 private:
  // Names the statement a call runs while it runs; declared after the statement's handle, so
  // that interrupt() never sees a freed one.
  class RunningStatement {
   public:
    RunningStatement(OdbcConnection& connection, SQLHSTMT stmt) : connection_(connection) {
      const std::lock_guard lock(connection_.running_mutex_);
      connection_.running_ = stmt;
    }
    ~RunningStatement() {
      const std::lock_guard lock(connection_.running_mutex_);
      connection_.running_ = SQL_NULL_HSTMT;
    }
    RunningStatement(const RunningStatement&) = delete;
    RunningStatement& operator=(const RunningStatement&) = delete;

   private:
    OdbcConnection& connection_;
  };

  SQLHDBC dbc() const {
    requireOpen();
    return dbc_.get();
  }

  void requireOpen() const {
    if (!dbc_) throw DatabaseError(DatabaseSituation::connectionClosed);
  }

  // Asked once: the driver's type list has a row for BIGINT when it takes it. A driver that
  // cannot list its types keeps BIGINT, as before.
  bool bigintSupported() {
    if (!bigint_supported_) {
      odbc::StmtHandle stmt = newStatement();
      bigint_supported_ = true;
      if (odbc::succeeded(SQLGetTypeInfoW(stmt.get(), SQL_BIGINT))) {
        try {
          bigint_supported_ = odbc::fetchRow(stmt.get());
        } catch (const DatabaseError&) {
        }
      }
    }
    return *bigint_supported_;
  }

  odbc::StmtHandle newStatement() {
    SQLHANDLE stmt = SQL_NULL_HANDLE;
    check(SQLAllocHandle(SQL_HANDLE_STMT, dbc(), &stmt), SQL_HANDLE_DBC, dbc_.get(),
          "SQLAllocHandle");
    return odbc::StmtHandle(stmt);
  }

  static int firstColumnType(SQLHSTMT stmt) {
    std::array<SQLWCHAR, 256> name{};
    SQLSMALLINT name_length = 0;
    SQLSMALLINT sql_type = SQL_UNKNOWN_TYPE;
    SQLULEN size = 0;
    SQLSMALLINT digits = 0;
    SQLSMALLINT nullable = 0;
    check(SQLDescribeColW(stmt, 1, name.data(), static_cast<SQLSMALLINT>(name.size()), &name_length,
                          &sql_type, &size, &digits, &nullable),
          SQL_HANDLE_STMT, stmt, "SQLDescribeCol");
    // SQL_DESC_UNSIGNED is true for every non-numeric type, so it is asked for integers only.
    SQLLEN is_unsigned = SQL_FALSE;
    if (odbc::hasSignedness(sql_type) &&
        !odbc::succeeded(
            SQLColAttributeW(stmt, 1, SQL_DESC_UNSIGNED, nullptr, 0, nullptr, &is_unsigned))) {
      is_unsigned = SQL_FALSE;
    }
    return odbc::adoTypeOf(sql_type, is_unsigned == SQL_TRUE);
  }

  void setAutocommit(bool on) {
    const auto value = static_cast<SQLULEN>(on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF);
    check(SQLSetConnectAttrW(dbc(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(value),
                             SQL_IS_UINTEGER),
          SQL_HANDLE_DBC, dbc_.get(), "SQLSetConnectAttr");
  }

  void endTransaction(SQLSMALLINT completion) {
    requireOpen();
    if (!in_transaction_) throw DatabaseError(DatabaseSituation::noTransaction);
    // On failure the transaction stays open, so that a rollback or the destructor can end it;
    // switching autocommit back on now would commit it.
    if (completion == SQL_COMMIT && connectionDead()) {
      // psqlODBC reports success for a commit on a link it already knows is lost.
      throw DatabaseError(DatabaseSituation::connectionLost, {}, {},
                          DatabaseErrorCategory::connectionLost);
    }
    check(SQLEndTran(SQL_HANDLE_DBC, dbc(), completion), SQL_HANDLE_DBC, dbc_.get(), "SQLEndTran");
    in_transaction_ = false;
    setAutocommit(true);
  }

  // Executes the statement with its values bound as parameters.
  SQLRETURN executeBound(SQLHSTMT stmt, const SqlStatement& statement) {
    BoundParameters parameters;
    parameters.bind(stmt, statement.values(), bigintSupported());
    const odbc::WideText text = odbc::toWide(statement.withMarkers("?"));
    return SQLExecDirectW(stmt, const_cast<SQLWCHAR*>(text.data()), odbc::wideLength(text));
  }

  // A statement that failed because the link is gone says so: the driver's text alone does not
  // tell the user that the whole run was lost.
  void checkStatement(SQLRETURN rc, SQLHSTMT stmt) {
    try {
      check(rc, SQL_HANDLE_STMT, stmt, "SQLExecDirect");
    } catch (const DatabaseError& error) {
      if (!connectionDead()) throw;
      std::string text = error.what();
      while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
        text.pop_back();
      }
      throw DatabaseError(DatabaseSituation::connectionLost, {}, text,
                          DatabaseErrorCategory::connectionLost, error.sqlState(),
                          error.nativeCode());
    }
  }

  bool connectionDead() {
    SQLUINTEGER dead = SQL_CD_FALSE;
    const SQLRETURN rc =
        SQLGetConnectAttrW(dbc(), SQL_ATTR_CONNECTION_DEAD, &dead, SQL_IS_UINTEGER, nullptr);
    return odbc::succeeded(rc) && dead == SQL_CD_TRUE;
  }

  // PostgreSQL's schemas that unqualified names resolve to, in search-path order; nullopt for
  // other data sources. Tables elsewhere (pg_catalog, information_schema, other users' schemas)
  // could not be named by the replacement run's unqualified SQL.
  std::optional<std::vector<std::string>> searchPath() {
    if (odbc::infoText(dbc(), SQL_DBMS_NAME) != "PostgreSQL") return std::nullopt;
    odbc::StmtHandle stmt = newStatement();
    const odbc::WideText text = odbc::toWide("SELECT unnest(current_schemas(false))::text");
    check(SQLExecDirectW(stmt.get(), const_cast<SQLWCHAR*>(text.data()), odbc::wideLength(text)),
          SQL_HANDLE_STMT, stmt.get(), "SQLExecDirect");
    std::vector<std::string> schemas;
    while (odbc::fetchRow(stmt.get())) {
      if (auto schema = odbc::columnText(stmt.get(), 1)) schemas.push_back(std::move(*schema));
    }
    return schemas;
  }

  static std::size_t schemaRank(const std::vector<std::string>& schemas,
                                const std::optional<std::string>& schema) {
    if (!schema) return schemas.size();
    return static_cast<std::size_t>(std::find(schemas.begin(), schemas.end(), *schema) -
                                    schemas.begin());
  }

  odbc::EnvHandle env_;
  odbc::DbcHandle dbc_;
  bool in_transaction_ = false;
  std::optional<bool> postgresql_;
  std::optional<bool> mariadb_;
  std::optional<bool> takes_brackets_;
  std::optional<bool> bigint_supported_;
  std::mutex running_mutex_;
  SQLHSTMT running_ = SQL_NULL_HSTMT;
};

}  // namespace

std::unique_ptr<DatabaseConnection> openOdbc(const std::string& odbc_connection_string) {
  odbc::EnvHandle env = odbc::allocateEnvironment();
  SQLHANDLE dbc = SQL_NULL_HANDLE;
  check(SQLAllocHandle(SQL_HANDLE_DBC, env.get(), &dbc), SQL_HANDLE_ENV, env.get(),
        "SQLAllocHandle");
  odbc::DbcHandle dbc_handle(dbc);
  SQLRETURN rc = SQL_ERROR;
  // Windows' driver manager converts the wide string for every kind of driver itself (and
  // Wine's narrow SQLDriverConnectA aborts): the narrow call is for unixODBC only.
  if (kWideDriverManager || isAscii(odbc_connection_string)) {
    odbc::WideText text = odbc::toWide(odbc_connection_string);
    rc = SQLDriverConnectW(dbc, nullptr, text.data(), SQL_NTS, nullptr, 0, nullptr,
                           SQL_DRIVER_NOPROMPT);
  } else {
    // unixODBC 2.3 narrows a wide connection string to one byte per UTF-16 unit when it reads
    // Driver=/DSN= and when it hands the string to an ANSI driver, so a Japanese file path
    // would name another file. The narrow call passes the locale's (UTF-8) bytes unchanged to
    // ANSI drivers and converts them for Unicode drivers.
    std::string text = odbc_connection_string;
    rc = SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS, nullptr,
                          0, nullptr, SQL_DRIVER_NOPROMPT);
  }
  check(rc, SQL_HANDLE_DBC, dbc, "SQLDriverConnect");
  return std::make_unique<OdbcConnection>(std::move(env), std::move(dbc_handle));
}

}  // namespace norvel
