#include "xlsx/memory_database.h"

#include <sqlite3.h>

#include "platform/database.h"

namespace norvel::xlsx {

MemoryDatabase::MemoryDatabase() {
  if (sqlite3_open_v2(":memory:", &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
      SQLITE_OK) {
    std::string text = db_ != nullptr ? sqlite3_errmsg(db_) : "out of memory";
    sqlite3_close(db_);
    throw DatabaseError(text);
  }
}

MemoryDatabase::~MemoryDatabase() {
  sqlite3_close_v2(db_);
}

void MemoryDatabase::execute(const std::string& sql) {
  if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
    throw DatabaseError(errorMessage());
  }
}

std::string MemoryDatabase::errorMessage() const {
  return sqlite3_errmsg(db_);
}

std::int64_t MemoryDatabase::changes() const {
  return sqlite3_changes64(db_);
}

Statement::Statement(const MemoryDatabase& db, std::string_view sql, std::string_view* tail)
    : db_(db) {
  const char* rest = nullptr;
  if (sqlite3_prepare_v2(db.handle(), sql.data(), static_cast<int>(sql.size()), &stmt_, &rest) !=
      SQLITE_OK) {
    fail();
  }
  if (tail != nullptr) *tail = sql.substr(static_cast<std::size_t>(rest - sql.data()));
}

Statement::~Statement() {
  sqlite3_finalize(stmt_);
}

void Statement::fail() const {
  throw DatabaseError(db_.errorMessage());
}

void Statement::bind(int index, std::int64_t value) {
  if (sqlite3_bind_int64(stmt_, index, value) != SQLITE_OK) fail();
}

void Statement::bind(int index, double value) {
  if (sqlite3_bind_double(stmt_, index, value) != SQLITE_OK) fail();
}

void Statement::bind(int index, std::string_view value) {
  if (sqlite3_bind_text64(stmt_, index, value.data(), value.size(), SQLITE_TRANSIENT,
                          SQLITE_UTF8) != SQLITE_OK) {
    fail();
  }
}

void Statement::bindNull(int index) {
  if (sqlite3_bind_null(stmt_, index) != SQLITE_OK) fail();
}

bool Statement::step() {
  switch (sqlite3_step(stmt_)) {
    case SQLITE_ROW:
      return true;
    case SQLITE_DONE:
      return false;
    default:
      fail();
  }
}

void Statement::reset() {
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

std::int64_t Statement::integer(int column) const {
  return sqlite3_column_int64(stmt_, column);
}

SqlValue Statement::value(int column) const {
  SqlValue v;
  switch (sqlite3_column_type(stmt_, column)) {
    case SQLITE_NULL:
      v.type = SqlValue::Type::null;
      break;
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
      v.type = SqlValue::Type::real;
      v.real = sqlite3_column_double(stmt_, column);
      break;
    case SQLITE_TEXT: {
      v.type = SqlValue::Type::text;
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
      v.text.assign(text, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)));
      break;
    }
    default:
      v.type = SqlValue::Type::other;
      break;
  }
  return v;
}

std::string quotedName(std::string_view name) {
  std::string quoted = "\"";
  for (char c : name) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace norvel::xlsx
