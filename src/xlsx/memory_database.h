#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace norvel::xlsx {

// An in-memory SQLite database. Failures throw DatabaseError with sqlite3_errmsg's text.
class MemoryDatabase {
 public:
  MemoryDatabase();
  ~MemoryDatabase();
  MemoryDatabase(const MemoryDatabase&) = delete;
  MemoryDatabase& operator=(const MemoryDatabase&) = delete;

  sqlite3* handle() const { return db_; }
  void execute(const std::string& sql);
  std::string errorMessage() const;
  std::int64_t changes() const;

 private:
  sqlite3* db_ = nullptr;
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
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  bool empty() const { return stmt_ == nullptr; }
  sqlite3_stmt* handle() const { return stmt_; }

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
  [[noreturn]] void fail() const;

  const MemoryDatabase& db_;
  sqlite3_stmt* stmt_ = nullptr;
};

// SQL's spelling of a name in double quotes.
std::string quotedName(std::string_view name);

}  // namespace norvel::xlsx
