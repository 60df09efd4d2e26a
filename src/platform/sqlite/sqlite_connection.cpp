#include "platform/sqlite/sqlite_connection.h"

#include <cerrno>
#include <cstring>
#include <mutex>
#include <optional>
#include <string_view>
#include <utility>

#include "platform/sqlite/sqlite_column_type.h"
#include "platform/sqlite/sqlite_file.h"
#include "platform/sqlite/sqlite_handles.h"
#include "platform/sqlite/sqlite_run_support.h"

namespace norvel {
namespace {

using sqlite::DatabaseHandle;
using sqlite::FileIdentity;
using sqlite::identityOf;
using sqlite::Statement;

void runStatement(sqlite3* db, const char* sql) {
  const Statement statement = sqlite::prepare(db, sql);
  while (sqlite::step(db, statement.get())) {
  }
}

// Foreign keys are enforced as database browsers do: a cascade follows a replaced key, and a
// reference the run would break fails it with SQLite's text.
void enforceForeignKeys(sqlite3* db) {
  runStatement(db, "PRAGMA foreign_keys = ON");
}

// A private in-memory copy of the main database, page for page: schema, indexes, triggers,
// statistics and rows as the file has them.
DatabaseHandle memoryCopyOf(sqlite3* source) {
  sqlite3* raw = nullptr;
  const int rc =
      sqlite3_open_v2(":memory:", &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  DatabaseHandle copy(raw);
  if (!copy) throw DatabaseError(sqlite3_errstr(rc), sqlite::categoryOf(rc), {}, rc);
  if (rc != SQLITE_OK) sqlite::throwLastError(copy.get());
  sqlite3_backup* backup = sqlite3_backup_init(copy.get(), "main", source, "main");
  if (backup == nullptr) sqlite::throwLastError(copy.get());
  sqlite3_backup_step(backup, -1);
  // The step's failure, if any, is the finish's result and the copy's error text.
  if (sqlite3_backup_finish(backup) != SQLITE_OK) sqlite::throwLastError(copy.get());
  enforceForeignKeys(copy.get());
  return copy;
}

class SqliteConnection final : public DatabaseConnection, public SetBasedSupport {
 public:
  SqliteConnection(DatabaseHandle db, std::string path, FileIdentity identity)
      : db_(std::move(db)), path_(std::move(path)), identity_(identity) {}
  ~SqliteConnection() override { close(); }

  SqliteConnection(const SqliteConnection&) = delete;
  SqliteConnection& operator=(const SqliteConnection&) = delete;

  void close() override {
    if (!db_) return;
    // Closing must never keep half a run: an open transaction is rolled back first.
    if (sqlite3_get_autocommit(db_.get()) == 0) {
      sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    }
    const std::lock_guard lock(interrupt_mutex_);
    check_copy_.reset();
    db_.reset();
  }

  // sqlite3_interrupt is safe from another thread while the handle is open; the lock keeps
  // close() from freeing it meanwhile.
  void interrupt() noexcept override {
    const std::lock_guard lock(interrupt_mutex_);
    if (check_copy_) sqlite3_interrupt(check_copy_.get());
    if (db_) sqlite3_interrupt(db_.get());
  }

  std::int64_t execute(const std::string& sql) override {
    sqlite3* db = handle();
    std::string_view rest;
    const Statement statement = sqlite::prepare(db, sql, &rest);
    if (!statement) return 0;
    // One statement per call: a text that goes on after the first statement is refused before
    // anything runs, whatever a value inside it may have tried.
    if (sqlite::prepare(db, rest)) throw DatabaseError(DatabaseSituation::multipleStatements);
    const sqlite3_int64 total_before = sqlite3_total_changes64(db);
    while (sqlite::step(db, statement.get())) {
    }
    // sqlite3_changes64 keeps the count of the last INSERT, UPDATE or DELETE, so a statement
    // that changed nothing must not report it again.
    return sqlite3_total_changes64(db) != total_before ? sqlite3_changes64(db) : 0;
  }

  QueryInfo query(const std::string& sql) override {
    sqlite3* db = handle();
    const Statement statement = sqlite::prepare(db, sql);
    if (!statement) throw DatabaseError(DatabaseSituation::emptyQuery);
    if (sqlite3_stmt_readonly(statement.get()) == 0) {
      throw DatabaseError(DatabaseSituation::queryChangesData);
    }
    const bool has_row = sqlite::step(db, statement.get());
    QueryInfo info;
    info.eof = !has_row;
    info.first_column_type = sqlite::firstColumnAdoType(db, statement.get(), has_row);
    return info;
  }

  // IMMEDIATE takes the write lock at once, so the busy timeout applies while another process
  // holds it; a deferred BEGIN would fail the first read at once with "database is locked".
  void beginTransaction() override { run("BEGIN IMMEDIATE"); }

  // A check on a file this process may only read (no write bits, another user's file, a
  // read-only medium) runs on a private in-memory copy: its statements count what a run on the
  // file would change, and the file is only read. A writable file is checked in place.
  void beginCheckOnlyTransaction() override {
    sqlite3* db = handle();
    if (sqlite3_db_readonly(db, "main") != 1) {
      beginTransaction();
      return;
    }
    DatabaseHandle copy = memoryCopyOf(db);
    runStatement(copy.get(), "BEGIN");
    const std::lock_guard lock(interrupt_mutex_);
    check_copy_ = std::move(copy);
  }

  void commitTransaction() override {
    if (check_copy_) {
      endCheck();
      throw DatabaseError(DatabaseSituation::checkOnlyCommit);
    }
    sqlite3* db = handle();
    const std::optional<FileIdentity> now = identityOf(path_);
    if (sqlite3_get_autocommit(db) == 0 &&
        (!now || now->device != identity_.device || now->inode != identity_.inode)) {
      run("ROLLBACK");
      throw DatabaseError(DatabaseSituation::fileReplaced, {.path = path_});
    }
    run("COMMIT");
  }
  // SQLite itself rolls back on some failures (a full disk, an I/O error); the run's
  // rollback after such a failure must not fail on the transaction being gone already.
  void rollbackTransaction() override {
    if (check_copy_) {
      endCheck();
      return;
    }
    if (sqlite3_get_autocommit(handle()) == 0) run("ROLLBACK");
  }

  SetBasedSupport* setBasedSupport() override { return sqlite::hasUpdateFrom() ? this : nullptr; }
  void createComparableTable(const std::string& name, const std::string& source,
                             bool /*numeric_codes*/) override {
    sqlite::createComparableTable(handle(), name, source);
  }
  std::string temporaryTableReference(const std::string& name) override {
    return sqlite::temporaryTableReference(name);
  }
  void dropTemporaryTable(const std::string& name) override {
    execute("DROP TABLE " + sqlite::temporaryTableReference(name));
  }
  PerPairCause perPairCause(const std::string& table, const std::string& field) override {
    return sqlite::perPairCause(handle(), table, field);
  }
  std::string rowCountingFunction(std::size_t positions) override {
    return row_counter_.start(handle(), positions);
  }
  std::vector<std::int64_t> rowCounts() override { return row_counter_.counts(); }
  QueryRows countedRows() override { return row_counter_.takeRows(); }
  WrittenValueChecks writtenValueChecks(const std::string& table,
                                        const std::string& field) override {
    return sqlite::writtenValueChecks(handle(), table, field);
  }
  bool transactionOpen() override { return sqlite3_get_autocommit(handle()) == 0; }
  // The words SQLite's own COMMIT gives for a deferred foreign key left broken.
  void checkDeferredConstraints() override {
    int pending = 0;
    int highest = 0;
    if (sqlite3_db_status(handle(), SQLITE_DBSTATUS_DEFERRED_FKS, &pending, &highest, 0) ==
            SQLITE_OK &&
        pending > 0) {
      throw DatabaseError("FOREIGN KEY constraint failed", DatabaseError::Category::constraint, {},
                          SQLITE_CONSTRAINT_FOREIGNKEY);
    }
  }
  void analyzeTemporaryTable(const std::string& name) override {
    execute("ANALYZE temp." + sqlite::quoteIdentifier(name));
  }
  QueryRows queryRows(const SqlStatement& statement) override {
    return sqlite::queryRows(handle(), statement.withLiterals());
  }
  // The planner's own answer, so that the field's collation and affinity are taken into account.
  bool fieldLookupUsesIndex(const std::string& table, const std::string& field) override {
    const QueryRows plan = sqlite::queryRows(
        handle(), "EXPLAIN QUERY PLAN SELECT 1 FROM main." + sqlite::quoteIdentifier(table) +
                      " WHERE " + sqlite::quoteIdentifier(field) + " = '1000001'");
    for (const auto& row : plan) {
      // "SEARCH t USING INDEX i (f=?)"; a SCAN, even of an index, reads every row.
      if (!row.empty() && row.back() && row.back()->starts_with("SEARCH ") &&
          row.back()->find(" USING ") != std::string::npos) {
        return true;
      }
    }
    return false;
  }

  // Tables and views in the order they were created; SQLite's own sqlite_… tables are not
  // part of the user's data.
  WriteBarrier writeBarrier() override {
    return sqlite3_db_readonly(handle(), "main") == 1 ? WriteBarrier::readOnlyFile
                                                      : WriteBarrier::none;
  }

  std::vector<std::string> tableNames() override {
    return strings(
        "SELECT name FROM main.sqlite_master WHERE type IN ('table', 'view')"
        " AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY rowid",
        nullptr);
  }

  // A view whose tables are gone fails here with SQLite's text, as the catalog would.
  std::vector<std::string> columnNames(const std::string& table) override {
    return strings("SELECT name FROM pragma_table_info(?1, 'main') ORDER BY cid", &table);
  }

 private:
  // The copy while a check runs on one, otherwise the file.
  sqlite3* handle() const {
    if (!db_) throw DatabaseError(DatabaseSituation::connectionClosed);
    return check_copy_ ? check_copy_.get() : db_.get();
  }

  void run(const char* sql) { runStatement(handle(), sql); }

  // Closing the copy discards everything the check changed.
  void endCheck() {
    const std::lock_guard lock(interrupt_mutex_);
    check_copy_.reset();
  }

  std::vector<std::string> strings(const char* sql, const std::string* parameter) {
    sqlite3* db = handle();
    const Statement statement = sqlite::prepare(db, sql);
    if (parameter != nullptr &&
        sqlite3_bind_text(statement.get(), 1, parameter->data(),
                          static_cast<int>(parameter->size()), SQLITE_TRANSIENT) != SQLITE_OK) {
      sqlite::throwLastError(db);
    }
    std::vector<std::string> result;
    while (sqlite::step(db, statement.get())) {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement.get(), 0));
      result.emplace_back(text != nullptr ? text : "");
    }
    return result;
  }

  // Before the handles: the function it serves is called only while they are open.
  sqlite::RowCounter row_counter_;
  std::mutex interrupt_mutex_;
  DatabaseHandle db_;
  DatabaseHandle check_copy_;
  std::string path_;
  FileIdentity identity_;
};

}  // namespace

std::unique_ptr<DatabaseConnection> openSqlite(const std::string& path,
                                               std::chrono::milliseconds busy_timeout) {
  if (path.empty()) throw DatabaseError(DatabaseSituation::noSqliteFile);
  // SQLite takes "file:…" as a URI and ":memory:" as a fresh in-memory database; written as
  // "./…" every relative name stays a plain file name ("C:\…" is no relative name on Windows).
  const std::string file_name = sqlite::isAbsolutePath(path) ? path : "./" + path;

  // The file's own write bits decide, as for a workbook: a privileged process would otherwise
  // change a file its owner marked read-only. SQLite then refuses every change itself.
  const bool read_only = sqlite::hasNoWriteBits(path);

  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2(file_name.c_str(), &raw,
                                 read_only ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE, nullptr);
  DatabaseHandle db(raw);
  if (rc != SQLITE_OK) {
    std::string message = db ? sqlite3_errmsg(db.get()) : sqlite3_errstr(rc);
    message += ": " + path;
    if (const int error = db ? sqlite3_system_errno(db.get()) : 0; error != 0) {
      message += " (" + sqlite::systemErrorText(error) + ")";
    }
    const int code = db ? sqlite3_extended_errcode(db.get()) : rc;
    throw DatabaseError(message, sqlite::categoryOf(code), {}, code);
  }
  sqlite3_busy_timeout(db.get(), static_cast<int>(busy_timeout.count()));

  // SQLite reads a file lazily; reading the schema now makes a file that is not a database
  // (or is locked for good) fail at open rather than at the first table listing.
  {
    const Statement check = sqlite::prepare(db.get(), "SELECT count(*) FROM main.sqlite_master");
    sqlite::step(db.get(), check.get());
  }
  enforceForeignKeys(db.get());

  const std::optional<FileIdentity> identity = identityOf(path);
  if (!identity) {
    throw DatabaseError(path + ": " + sqlite::lastSystemErrorText());
  }
  return std::make_unique<SqliteConnection>(std::move(db), path, *identity);
}

}  // namespace norvel
