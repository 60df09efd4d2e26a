#include "xlsx/memory_database.h"

#include <sqlite3.h>

namespace norvel::xlsx {

MemoryDatabase::MemoryDatabase() {
  sqlite3* raw = nullptr;
  const int rc =
      sqlite3_open_v2(":memory:", &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  db_.reset(raw);
  if (rc != SQLITE_OK) {
    if (!db_) throw DatabaseError("メモリが不足しています", DatabaseErrorCategory::other, {}, rc);
    sqlite::throwLastError(db_.get());
  }
}

void MemoryDatabase::execute(const std::string& sql) {
  if (sqlite3_exec(db_.get(), sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
    sqlite::throwLastError(db_.get());
  }
}

std::int64_t MemoryDatabase::changes() const {
  return sqlite3_changes64(db_.get());
}

Statement::Statement(const MemoryDatabase& db, std::string_view sql, std::string_view* tail)
    : db_(db.handle()), statement_(sqlite::prepare(db_, sql, tail)) {}

void Statement::check(int result_code) const {
  if (result_code != SQLITE_OK) sqlite::throwLastError(db_);
}

void Statement::bind(int index, std::int64_t value) {
  check(sqlite3_bind_int64(handle(), index, value));
}

void Statement::bind(int index, double value) {
  check(sqlite3_bind_double(handle(), index, value));
}

void Statement::bind(int index, std::string_view value) {
  check(sqlite3_bind_text64(handle(), index, value.data(), value.size(), SQLITE_TRANSIENT,
                            SQLITE_UTF8));
}

void Statement::bindNull(int index) {
  check(sqlite3_bind_null(handle(), index));
}

bool Statement::step() {
  return sqlite::step(db_, handle());
}

void Statement::reset() {
  sqlite3_reset(handle());
  sqlite3_clear_bindings(handle());
}

std::int64_t Statement::integer(int column) const {
  return sqlite3_column_int64(handle(), column);
}

SqlValue Statement::value(int column) const {
  SqlValue v;
  switch (sqlite3_column_type(handle(), column)) {
    case SQLITE_NULL:
      v.type = SqlValue::Type::null;
      break;
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
      v.type = SqlValue::Type::real;
      v.real = sqlite3_column_double(handle(), column);
      break;
    case SQLITE_TEXT: {
      v.type = SqlValue::Type::text;
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(handle(), column));
      v.text.assign(text, static_cast<std::size_t>(sqlite3_column_bytes(handle(), column)));
      break;
    }
    default:
      v.type = SqlValue::Type::other;
      break;
  }
  return v;
}

}  // namespace norvel::xlsx
