#pragma once

#include <sqlite3.h>

#include <stdexcept>
#include <string>

namespace norvel::testing {

// Builds and inspects test databases with the sqlite3 library directly, independent of the
// code under test.
class SqliteFile {
 public:
  explicit SqliteFile(const std::string& path) {
    if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK)
      throw std::runtime_error(sqlite3_errmsg(db_));
  }
  ~SqliteFile() { sqlite3_close(db_); }
  SqliteFile(const SqliteFile&) = delete;
  SqliteFile& operator=(const SqliteFile&) = delete;

  void exec(const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
      std::string text = error ? error : "?";
      sqlite3_free(error);
      throw std::runtime_error(text + " in " + sql);
    }
  }

  // The first column of the first row as text ("<null>" for NULL, "" when there is no row).
  std::string scalar(const std::string& sql) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
      throw std::runtime_error(sqlite3_errmsg(db_));
    }
    std::string value;
    if (sqlite3_step(stmt) == SQLITE_ROW) {
      const auto* text = sqlite3_column_text(stmt, 0);
      value = text ? reinterpret_cast<const char*>(text) : "<null>";
    }
    sqlite3_finalize(stmt);
    return value;
  }

  sqlite3* handle() { return db_; }

 private:
  sqlite3* db_ = nullptr;
};

}  // namespace norvel::testing
