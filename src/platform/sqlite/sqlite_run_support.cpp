#include "platform/sqlite/sqlite_run_support.h"

#include "platform/sqlite/sqlite_handles.h"

namespace norvel::sqlite {

bool hasUpdateFrom() {
  return sqlite3_libversion_number() >= 3033000;
}

void createComparableTable(sqlite3* db, const std::string& name, const std::string& source) {
#ifdef NORVEL_SQLITE_COLUMN_METADATA
  const Statement statement = prepare(db, source);
  if (!statement || sqlite3_column_count(statement.get()) == 0) {
    throw DatabaseError("一時テーブルの元になるクエリに列がありません。");
  }
  // The column the statement resolved the field to, whatever the name's case or quoting.
  const char* schema = sqlite3_column_database_name(statement.get(), 0);
  const char* table = sqlite3_column_table_name(statement.get(), 0);
  const char* column = sqlite3_column_origin_name(statement.get(), 0);
  if (schema == nullptr || table == nullptr || column == nullptr) {
    throw DatabaseError("一時テーブルの元になるクエリにテーブルの列がありません。");
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
  throw DatabaseError("この SQLite ライブラリでは列の宣言型を調べられません。");
#endif
}

QueryRows queryRows(sqlite3* db, const std::string& sql) {
  const Statement statement = prepare(db, sql);
  if (!statement) throw DatabaseError("クエリに SQL 文がありません。");
  if (sqlite3_stmt_readonly(statement.get()) == 0) {
    throw DatabaseError("クエリでデータベースを変更することはできません。");
  }
  QueryRows rows;
  const int columns = sqlite3_column_count(statement.get());
  while (step(db, statement.get())) {
    auto& row = rows.emplace_back();
    for (int i = 0; i < columns; ++i) {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement.get(), i));
      if (text == nullptr) {
        row.emplace_back(std::nullopt);
      } else {
        row.emplace_back(
            std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(statement.get(), i))));
      }
    }
  }
  return rows;
}

}  // namespace norvel::sqlite
