#include "xlsx/workbook_connection.h"

#include <sqlite3.h>

#include "platform/sqlite/sqlite_column_type.h"
#include "platform/sqlite/sqlite_handles.h"
#include "platform/sqlite/sqlite_run_support.h"
#include "xlsx/sheet_copy.h"
#include "xlsx/xlsx_format.h"

namespace norvel::xlsx {

namespace {

bool onlyBlanks(std::string_view text) {
  return text.find_first_not_of(" \t\r\n;") == std::string_view::npos;
}

int adoTypeOf(sqlite3_stmt* stmt, bool has_row) {
  if (sqlite3_column_count(stmt) == 0) return ado::adEmpty;
  if (const char* declared = sqlite3_column_decltype(stmt, 0)) {
    const std::string_view type(declared);
    if (type == "REAL") return ado::adDouble;
    if (type == "TEXT") return ado::adVarWChar;
  }
  if (!has_row) return ado::adVarWChar;
  return sqlite::adoTypeOfStorageClass(sqlite3_column_type(stmt, 0));
}

// Lets the connection's own statements past the checks made on the caller's SQL.
class InternalScope {
 public:
  explicit InternalScope(bool& flag) : flag_(flag), previous_(flag) { flag_ = true; }
  ~InternalScope() { flag_ = previous_; }
  InternalScope(const InternalScope&) = delete;
  InternalScope& operator=(const InternalScope&) = delete;

 private:
  bool& flag_;
  bool previous_;
};

}  // namespace

WorkbookConnection::WorkbookConnection(LoadedFile file, bool header_row, InflateLimits limits,
                                       FileSystem& files)
    : WorkbookConnection(std::move(file), header_row, std::make_unique<XlsxFormat>(limits), files) {
}

WorkbookConnection::WorkbookConnection(LoadedFile file, bool header_row,
                                       std::unique_ptr<WorkbookFormat> format, FileSystem& files)
    : files_(files),
      file_(std::move(file)),
      format_(std::move(format)),
      db_(std::make_unique<MemoryDatabase>()) {
  load(header_row);
  sqlite3_set_authorizer(db_->handle(), &WorkbookConnection::authorize, this);
}

WorkbookConnection::~WorkbookConnection() {
  close();
}

void WorkbookConnection::load(bool header_row) {
  // Temporary tables (the change log) stay in memory too, never in a file.
  db_->execute("PRAGMA temp_store = MEMORY");
  createChangeLog(*db_);
  db_->execute("BEGIN");
  format_->readSheets(file_.bytes, [&](const std::string& sheet_name, const SheetCells& cells) {
    SheetTable table{sheet_name + "$", layoutSheet(cells, header_row)};
    copySheet(*db_, tables_.size(), sheet_name, table.name, table.layout, cells);
    tables_.push_back(std::move(table));
  });
  db_->execute("COMMIT");
}

MemoryDatabase& WorkbookConnection::database() const {
  if (!db_) throw DatabaseError(DatabaseSituation::connectionClosed);
  return *db_;
}

void WorkbookConnection::close() {
  if (!db_) return;
  // An open transaction ends unwritten: the file keeps what it had.
  if (in_transaction_) discardChanges();
  const std::lock_guard lock(interrupt_mutex_);
  db_.reset();
}

// The SQL runs in the in-memory copy; the file is only written at the commit.
void WorkbookConnection::interrupt() noexcept {
  const std::lock_guard lock(interrupt_mutex_);
  if (db_) sqlite3_interrupt(db_->handle());
}

void WorkbookConnection::runInternal(const std::string& sql) {
  InternalScope scope(internal_);
  database().execute(sql);
}

void WorkbookConnection::discardChanges() {
  InternalScope scope(internal_);
  sqlite3_exec(db_->handle(), "ROLLBACK", nullptr, nullptr, nullptr);
  in_transaction_ = false;
  // Created inside the transaction, so gone with it.
  run_tables_.clear();
  run_index_.clear();
}

std::unique_ptr<Statement> WorkbookConnection::prepareUserStatement(std::string_view sql,
                                                                    std::string_view* tail) {
  denial_.clear();
  try {
    return std::make_unique<Statement>(database(), sql, tail);
  } catch (const DatabaseError& error) {
    // SQLite says only "not authorized"; the reason is ours.
    if (!denial_.empty()) throw DatabaseError(denial_, error.category(), {}, error.nativeCode());
    throw;
  }
}

std::int64_t WorkbookConnection::execute(const std::string& sql) {
  MemoryDatabase& db = database();
  const bool autocommit = !in_transaction_;
  if (autocommit) {
    runInternal("BEGIN");
    in_transaction_ = true;
  }
  try {
    std::string_view rest = sql;
    auto statement = prepareUserStatement(rest, &rest);
    if (statement->empty()) throw DatabaseError(DatabaseSituation::noStatement);
    // One statement per call, refused before anything runs.
    if (!onlyBlanks(rest) && !prepareUserStatement(rest, &rest)->empty()) {
      throw DatabaseError(DatabaseSituation::multipleStatements);
    }
    while (statement->step()) {
    }
    const std::int64_t changed = sqlite3_stmt_readonly(statement->handle()) == 0 ? db.changes() : 0;
    if (autocommit) {
      saveChanges();
      runInternal("COMMIT");
      in_transaction_ = false;
    }
    return changed;
  } catch (...) {
    if (autocommit) discardChanges();
    throw;
  }
}

QueryInfo WorkbookConnection::query(const std::string& sql) {
  std::string_view tail;
  auto statement = prepareUserStatement(sql, &tail);
  if (statement->empty()) throw DatabaseError(DatabaseSituation::emptyQuery);
  if (!onlyBlanks(tail)) throw DatabaseError("クエリには SELECT 文を 1 つだけ指定してください。");
  if (sqlite3_stmt_readonly(statement->handle()) == 0) {
    throw DatabaseError("クエリでブックを変更することはできません。");
  }
  const bool has_row = statement->step();
  QueryInfo info;
  info.eof = !has_row;
  info.first_column_type = adoTypeOf(statement->handle(), has_row);
  return info;
}

void WorkbookConnection::beginTransaction() {
  database();
  if (in_transaction_) throw DatabaseError(DatabaseSituation::transactionAlreadyOpen);
  runInternal("BEGIN");
  in_transaction_ = true;
}

void WorkbookConnection::commitTransaction() {
  database();
  if (!in_transaction_) throw DatabaseError(DatabaseSituation::noTransaction);
  try {
    if (!run_index_.empty()) {
      runInternal("DROP INDEX main." + sqlite::quoteIdentifier(run_index_));
      run_index_.clear();
    }
    saveChanges();
  } catch (...) {
    // The copy goes back to what the file holds, so it never shows values that are not saved.
    discardChanges();
    throw;
  }
  runInternal("COMMIT");
  in_transaction_ = false;
}

// After a failed commit the transaction is over already; rolling back then does nothing.
void WorkbookConnection::rollbackTransaction() {
  database();
  if (in_transaction_) discardChanges();
}

SetBasedSupport* WorkbookConnection::setBasedSupport() {
  database();
  return sqlite::hasUpdateFrom() ? this : nullptr;
}

// The copy has no triggers or indexes of the user's: only the refusals of cells that may not
// change, which stop a statement whichever row they meet first.
PerPairCause WorkbookConnection::perPairCause(const std::string& /*table*/,
                                              const std::string& /*field*/) {
  return PerPairCause::none;
}

// The run's own temporary tables live beside the change log; its SQL may fill and read them.
void WorkbookConnection::createComparableTable(const std::string& name, const std::string& source,
                                               bool /*numeric_codes*/) {
  InternalScope scope(internal_);
  sqlite::createComparableTable(database().handle(), name, source);
  run_tables_.insert(name);
}

// A cell may be emptied; a cell that may not change is refused whatever value is written to it.
SetBasedSupport::WrittenValueChecks WorkbookConnection::writtenValueChecks(
    const std::string& /*table*/, const std::string& /*field*/) {
  InternalScope scope(internal_);
  const QueryRows locked = sqlite::queryRows(
      database().handle(),
      "SELECT count(*) FROM temp.sqlite_master WHERE type = 'trigger' AND name LIKE "
      "'norvel\\_locked\\_%' ESCAPE '\\'");
  return {false, locked.size() != 1 || locked[0][0].value_or("1") != "0"};
}

std::string WorkbookConnection::temporaryTableReference(const std::string& name) {
  return sqlite::temporaryTableReference(name);
}

bool WorkbookConnection::transactionOpen() {
  return in_transaction_ && sqlite3_get_autocommit(database().handle()) == 0;
}

void WorkbookConnection::dropTemporaryTable(const std::string& name) {
  runInternal("DROP TABLE " + sqlite::temporaryTableReference(name));
  run_tables_.erase(name);
}

void WorkbookConnection::analyzeTemporaryTable(const std::string& name) {
  if (run_tables_.count(name) == 0) throw DatabaseError("一時テーブルがありません: " + name);
  runInternal("ANALYZE temp." + sqlite::quoteIdentifier(name));
}

// Savepoints nest inside the connection's own transaction.
void WorkbookConnection::savepoint(SavepointStep step, const std::string& name) {
  const std::string quoted = sqlite::quoteIdentifier(name);
  switch (step) {
    case SavepointStep::set:
      runInternal("SAVEPOINT " + quoted);
      break;
    case SavepointStep::rollbackTo:
      runInternal("ROLLBACK TO SAVEPOINT " + quoted);
      break;
    case SavepointStep::release:
      runInternal("RELEASE SAVEPOINT " + quoted);
      break;
  }
}

QueryRows WorkbookConnection::queryRows(const SqlStatement& statement) {
  denial_.clear();
  try {
    return sqlite::queryRows(database().handle(), statement.withLiterals());
  } catch (const DatabaseError& error) {
    if (!denial_.empty()) throw DatabaseError(denial_, error.category(), {}, error.nativeCode());
    throw;
  }
}

// The copy is private to this connection: an index slows no other writer and leaves the file
// as it was. It is dropped before the commit, and a rollback takes it away.
bool WorkbookConnection::indexFieldForTransaction(const std::string& table,
                                                  const std::string& field) {
  database();
  if (!in_transaction_ || !run_index_.empty() || !isField(table, field)) return false;
  const std::string name = "norvel_run_index";
  runInternal("CREATE INDEX main." + sqlite::quoteIdentifier(name) + " ON " +
              sqlite::quoteIdentifier(table) + "(" + sqlite::quoteIdentifier(field) + ")");
  run_index_ = name;
  return true;
}

std::vector<std::string> WorkbookConnection::tableNames() {
  database();
  std::vector<std::string> names;
  for (const auto& table : tables_) names.push_back(table.name);
  return names;
}

std::vector<std::string> WorkbookConnection::columnNames(const std::string& table) {
  database();
  for (const auto& t : tables_) {
    if (t.name != table) continue;
    std::vector<std::string> names;
    for (const auto& field : t.layout.fields) names.push_back(field.name);
    return names;
  }
  return {};
}

// Each row was copied in under its worksheet row number.
std::optional<std::string> WorkbookConnection::worksheetRowName(const std::string& table) {
  database();
  for (const auto& t : tables_) {
    if (t.name == table) return t.layout.row_alias;
  }
  return std::nullopt;
}

std::map<std::size_t, std::vector<CellEdit>> WorkbookConnection::collectEdits() {
  InternalScope scope(internal_);
  MemoryDatabase& db = database();
  std::map<std::size_t, std::vector<CellEdit>> edits;
  std::map<std::pair<std::size_t, std::size_t>, std::unique_ptr<Statement>> current_values;
  Statement changes(db, std::string("SELECT sheet, row, field, original FROM temp.") + kChangeLog +
                            " ORDER BY sheet, row, field");
  while (changes.step()) {
    const auto sheet = static_cast<std::size_t>(changes.integer(0));
    const auto row = changes.integer(1);
    const auto field = static_cast<std::size_t>(changes.integer(2));
    const SheetTable& table = tables_.at(sheet);
    auto& current = current_values[{sheet, field}];
    if (!current) {
      current = std::make_unique<Statement>(
          db, "SELECT " + sqlite::quoteIdentifier(table.layout.fields.at(field).name) +
                  " FROM main." + sqlite::quoteIdentifier(table.name) + " WHERE " +
                  table.layout.row_alias + " = ?");
    }
    current->bind(1, row);
    if (!current->step()) continue;
    const SqlValue now = current->value(0);
    current->reset();
    // A cell changed and changed back keeps its XML.
    if (now == changes.value(3)) continue;

    CellEdit edit;
    edit.position = {static_cast<std::uint32_t>(row), table.layout.fields[field].column};
    switch (now.type) {
      case SqlValue::Type::null:
        break;
      case SqlValue::Type::real:
        edit.value.type = CellValue::Type::number;
        edit.value.number = now.real;
        break;
      case SqlValue::Type::text:
        // A cell cannot hold an empty text of its own; it becomes an empty cell.
        if (!now.text.empty()) {
          edit.value.type = CellValue::Type::text;
          edit.value.text = now.text;
        }
        break;
      case SqlValue::Type::other:
        throw DatabaseError(
            "「" + table.name + "」のフィールド「" + table.layout.fields[field].name +
            "」にはバイナリデータが入っているため、ワークシートのセルに格納できません");
    }
    edits[sheet].push_back(std::move(edit));
  }
  return edits;
}

void WorkbookConnection::saveChanges() {
  try {
    auto edits = collectEdits();
    if (edits.empty()) return;
    std::string bytes = format_->withEdits(file_.bytes, std::move(edits));
    // Cleared inside the transaction, so a failure to replace the file rolls this back too;
    // once the file is replaced nothing is left that can fail.
    runInternal(std::string("DELETE FROM temp.") + kChangeLog);
    file_.identity = replaceFile(files_, file_.path, bytes, file_.identity);
    file_.bytes = std::move(bytes);
    format_->saved();
  } catch (const DatabaseError& e) {
    // A situation keeps its kind, for the catalogue to word.
    if (e.situation() != DatabaseSituation::none) throw;
    throw DatabaseError("ブック「" + file_.path + "」を保存できません: " + e.what());
  }
}

int WorkbookConnection::authorize(void* self, int action, const char* table, const char* column,
                                  const char* database, const char* trigger) {
  auto* connection = static_cast<WorkbookConnection*>(self);
  // The change log's triggers run on behalf of an UPDATE that was allowed.
  if (connection->internal_ || trigger != nullptr) return SQLITE_OK;
  return connection->authorizeUserStatement(action, table, column, database);
}

int WorkbookConnection::authorizeUserStatement(int action, const char* table, const char* column,
                                               const char* database) {
  // SQLite goes on asking after a denial (DROP TABLE also deletes from the schema table);
  // the first reason is the one that describes the statement.
  const auto deny = [this](const char* reason) {
    if (denial_.empty()) denial_ = reason;
    return SQLITE_DENY;
  };
  switch (action) {
    case SQLITE_SELECT:
    case SQLITE_READ:
    case SQLITE_FUNCTION:
    case SQLITE_RECURSIVE:
      return SQLITE_OK;
    case SQLITE_UPDATE:
      if (database != nullptr && std::string_view(database) == "main" && table != nullptr &&
          column != nullptr && isField(table, column)) {
        return SQLITE_OK;
      }
      return deny("更新できるのはワークシートのフィールドだけです。");
    // DROP and CREATE first ask to change the schema table; only a worksheet's rows get the
    // row-specific reason.
    case SQLITE_INSERT:
      if (database != nullptr && std::string_view(database) == "temp" && table != nullptr &&
          run_tables_.count(table) != 0) {
        return SQLITE_OK;
      }
      if (isTable(table)) return deny("このシステムでは Excel ワークシートに行を追加できません。");
      break;
    case SQLITE_DELETE:
      if (isTable(table)) {
        return deny("このシステムでは Excel ワークシートの行を削除できません。");
      }
      break;
    case SQLITE_TRANSACTION:
    case SQLITE_SAVEPOINT:
      return deny("ブックのトランザクションは SQL ではなく接続が開始・終了します。");
    default:
      break;
  }
  return deny(
      "この文は Excel ブックでは実行できません。対応しているのは SELECT と UPDATE だけです。");
}

bool WorkbookConnection::isTable(const char* table) const {
  if (table == nullptr) return false;
  for (const auto& t : tables_) {
    if (t.name == table) return true;
  }
  return false;
}

bool WorkbookConnection::isField(std::string_view table, std::string_view column) const {
  for (const auto& t : tables_) {
    if (t.name != table) continue;
    for (const auto& field : t.layout.fields) {
      if (field.name == column) return true;
    }
  }
  return false;
}

}  // namespace norvel::xlsx
