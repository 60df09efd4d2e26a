#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/sqlite/sqlite_handles.h"

namespace norvel::xlsx {

// An in-memory SQLite database. Failures throw DatabaseError with sqlite3_errmsg's text.
class MemoryDatabase {
 public:
  MemoryDatabase();

  sqlite3* handle() const { return db_.get(); }
  void execute(const std::string& sql);
  std::int64_t changes() const;

 private:
  sqlite::DatabaseHandle db_;
};

// A value as SQLite holds it in a worksheet table.
struct SqlValue {
  enum class Type { null, real, text, other } type = Type::null;
  double real = 0;
  std::string text;
  friend bool operator==(const SqlValue&, const SqlValue&) = default;
};

class Statement {
 public:
  // Prepares the first statement of sql; *tail receives what follows it when asked for.
  Statement(const MemoryDatabase& db, std::string_view sql, std::string_view* tail = nullptr);

  bool empty() const { return !statement_; }
  sqlite3_stmt* handle() const { return statement_.get(); }

  void bind(int index, std::int64_t value);
  void bind(int index, double value);
  void bind(int index, std::string_view value);
  void bindNull(int index);

  // True while there is a row.
  bool step();
  void reset();

  std::int64_t integer(int column) const;
  SqlValue value(int column) const;

 private:
  void check(int result_code) const;

  sqlite3* db_;
  sqlite::Statement statement_;
};

}  // namespace norvel::xlsx
