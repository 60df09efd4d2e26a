#include "platform/sqlite/sqlite_run_support.h"

#include <cctype>

#include "platform/sqlite/sqlite_handles.h"
#include "text/ascii_case.h"

namespace norvel::sqlite {

bool hasUpdateFrom() {
  return sqlite3_libversion_number() >= 3033000;
}

void createComparableTable(sqlite3* db, const std::string& name, const std::string& source) {
#ifdef NORVEL_SQLITE_COLUMN_METADATA
  const Statement statement = prepare(db, source);
  if (!statement || sqlite3_column_count(statement.get()) == 0) {
    throw DatabaseError(DatabaseSituation::sourceHasNoColumn);
  }
  // The column the statement resolved the field to, whatever the name's case or quoting.
  const char* schema = sqlite3_column_database_name(statement.get(), 0);
  const char* table = sqlite3_column_table_name(statement.get(), 0);
  const char* column = sqlite3_column_origin_name(statement.get(), 0);
  if (schema == nullptr || table == nullptr || column == nullptr) {
    throw DatabaseError(DatabaseSituation::sourceHasNoTableColumn);
  }
  const char* declared_type = nullptr;
  const char* collation = nullptr;
  if (sqlite3_table_column_metadata(db, schema, table, column, &declared_type, &collation, nullptr,
                                    nullptr, nullptr) != SQLITE_OK) {
    throwLastError(db);
  }
  // The declared type as the schema has it: SQLite parsed it there already.
  std::string code_type = declared_type != nullptr ? declared_type : "";
  if (collation != nullptr) code_type += " COLLATE " + quoteIdentifier(collation);
  const std::string sql = "CREATE TEMP TABLE " + quoteIdentifier(name) +
                          " (pair_position INTEGER, old_code " + code_type + ", new_code " +
                          code_type + ")";
  const Statement create = prepare(db, sql);
  while (step(db, create.get())) {
  }
#else
  (void)db;
  (void)name;
  (void)source;
  throw DatabaseError(DatabaseSituation::declaredTypeUnknown);
#endif
}

std::string temporaryTableReference(const std::string& name) {
  return "temp." + quoteIdentifier(name);
}

namespace {

// Whether `name` stands in `sql` as a word of its own (not inside a longer name).
bool mentions(const std::string& sql, const std::string& name) {
  const auto word = [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' ||
           static_cast<unsigned char>(c) >= 0x80;
  };
  for (std::size_t at = sql.find(name); at != std::string::npos; at = sql.find(name, at + 1)) {
    const bool starts = at == 0 || !word(sql[at - 1]);
    const bool ends = at + name.size() >= sql.size() || !word(sql[at + name.size()]);
    if (starts && ends) return true;
  }
  return false;
}

// Every row of a statement that has been prepared and bound, values as text.
QueryRows rowsOf(sqlite3* db, sqlite3_stmt* statement) {
  QueryRows rows;
  const int columns = sqlite3_column_count(statement);
  while (step(db, statement)) {
    auto& row = rows.emplace_back();
    for (int i = 0; i < columns; ++i) {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, i));
      if (text == nullptr) {
        row.emplace_back(std::nullopt);
      } else {
        row.emplace_back(
            std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(statement, i))));
      }
    }
  }
  return rows;
}

// Rows of a query with text parameters ?1, ?2, … bound in order.
QueryRows rowsOf(sqlite3* db, const std::string& sql, const std::vector<std::string>& parameters) {
  const Statement statement = prepare(db, sql);
  if (!statement) return {};
  for (std::size_t i = 0; i < parameters.size(); ++i) {
    if (sqlite3_bind_text(statement.get(), static_cast<int>(i + 1), parameters[i].data(),
                          static_cast<int>(parameters[i].size()), SQLITE_TRANSIENT) != SQLITE_OK) {
      throwLastError(db);
    }
  }
  return rowsOf(db, statement.get());
}

}  // namespace

PerPairCause perPairCause(sqlite3* db, const std::string& table, const std::string& field) {
  // A trigger of the main or the temporary schema, on the table or naming it in its body (one
  // that writes the table from another table's trigger, which a cascade may fire). Reading the
  // trigger's text for UPDATE errs on the side of the per-pair run: INSERT and DELETE triggers
  // whose body updates something are taken too.
  const std::string name = asciiUppercase(table);
  for (const char* schema : {"main", "temp"}) {
    const QueryRows triggers = rowsOf(db,
                                      std::string("SELECT tbl_name, sql FROM ") + schema +
                                          ".sqlite_master WHERE type = 'trigger'",
                                      {});
    for (const auto& row : triggers) {
      const std::string on = row[0] ? asciiUppercase(*row[0]) : std::string();
      const std::string sql = row[1] ? asciiUppercase(*row[1]) : std::string();
      if ((on == name && sql.find("UPDATE") != std::string::npos) ||
          (on != name && mentions(sql, name))) {
        return PerPairCause::updateTriggers;
      }
    }
  }

  // The field's position; an INTEGER PRIMARY KEY is the rowid, unique without an index.
  std::optional<std::string> field_cid;
  const QueryRows columns =
      rowsOf(db,
             "SELECT cid, pk, upper(type), (SELECT count(*) FROM pragma_table_info(?1, 'main') "
             "WHERE pk > 0) "
             "FROM pragma_table_info(?1, 'main') WHERE name = ?2 COLLATE NOCASE",
             {table, field});
  if (!columns.empty()) {
    const auto& column = columns.front();
    field_cid = column[0];
    if (column[1] && *column[1] != "0" && column[3] && *column[3] == "1" && column[2] &&
        *column[2] == "INTEGER") {
      return PerPairCause::uniqueIndex;
    }
  }
  const QueryRows indexes = rowsOf(
      db, "SELECT name, partial FROM pragma_index_list(?1, 'main') WHERE \"unique\"", {table});
  for (const auto& index : indexes) {
    if (!index[0]) continue;
    if (index[1] && *index[1] != "0") return PerPairCause::uniqueIndex;
    // cid -2 is an expression, which may read the field; -1 is the rowid.
    const QueryRows keys =
        rowsOf(db, "SELECT cid FROM pragma_index_xinfo(?1, 'main') WHERE key", {*index[0]});
    for (const auto& key : keys) {
      if (key[0] && (*key[0] == "-2" || (field_cid && *key[0] == *field_cid))) {
        return PerPairCause::uniqueIndex;
      }
    }
  }
  return PerPairCause::none;
}

SetBasedSupport::WrittenValueChecks writtenValueChecks(sqlite3* db, const std::string& table,
                                                       const std::string& field) {
  SetBasedSupport::WrittenValueChecks checks;
  const QueryRows columns = rowsOf(
      db, "SELECT \"notnull\" FROM pragma_table_info(?1, 'main') WHERE name = ?2 COLLATE NOCASE",
      {table, field});
  const QueryRows definition = rowsOf(
      db, "SELECT sql FROM main.sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE",
      {table});
  if (columns.size() != 1 || definition.size() != 1 || !columns[0][0] || !definition[0][0]) {
    return checks;
  }
  checks.refuses_null = *columns[0][0] != "0";
  const std::string sql = asciiUppercase(*definition[0][0]);
  checks.checks_values = mentions(sql, "CHECK") || mentions(sql, "REFERENCES") ||
                         mentions(sql, "GENERATED") || mentions(sql, "AS");
  return checks;
}

std::string RowCounter::start(sqlite3* db, std::size_t positions) {
  counts_.assign(positions, 0);
  rows_.clear();
  // Direct only: no view, trigger or schema of the file can call it.
  if (sqlite3_create_function_v2(db, "norvel_count_row", -1,
                                 SQLITE_UTF8 | SQLITE_DIRECTONLY | SQLITE_INNOCUOUS, this, &count,
                                 nullptr, nullptr, nullptr) != SQLITE_OK) {
    throwLastError(db);
  }
  return "norvel_count_row";
}

void RowCounter::count(sqlite3_context* context, int argc, sqlite3_value** argv) {
  auto* counter = static_cast<RowCounter*>(sqlite3_user_data(context));
  if (argc < 2) {
    sqlite3_result_error(context, "norvel_count_row: no position and value", -1);
    return;
  }
  const sqlite3_int64 position = sqlite3_value_int64(argv[0]);
  if (sqlite3_value_type(argv[0]) != SQLITE_INTEGER || position < 0 ||
      static_cast<std::uint64_t>(position) >= counter->counts_.size()) {
    sqlite3_result_error(context, "norvel_count_row: no such position", -1);
    return;
  }
  ++counter->counts_[static_cast<std::size_t>(position)];
  if (argc > 2) {
    // The row as a query would read it, in the same pass as the UPDATE that changes it.
    std::vector<std::optional<std::string>>& row = counter->rows_.emplace_back();
    row.reserve(static_cast<std::size_t>(argc - 1));
    row.emplace_back(std::to_string(position));
    for (int i = 2; i < argc; ++i) {
      const unsigned char* text = sqlite3_value_text(argv[i]);
      if (text == nullptr) {
        row.emplace_back(std::nullopt);
      } else {
        row.emplace_back(std::string(reinterpret_cast<const char*>(text),
                                     static_cast<std::size_t>(sqlite3_value_bytes(argv[i]))));
      }
    }
  }
  sqlite3_result_value(context, argv[1]);
}

QueryRows queryRows(sqlite3* db, const std::string& sql) {
  const Statement statement = prepare(db, sql);
  if (!statement) throw DatabaseError(DatabaseSituation::emptyQuery);
  if (sqlite3_stmt_readonly(statement.get()) == 0) {
    throw DatabaseError(DatabaseSituation::queryChangesData);
  }
  return rowsOf(db, statement.get());
}

}  // namespace norvel::sqlite
