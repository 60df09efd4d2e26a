#include "sqlite_test_support.h"

#include <sqlite3.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

namespace norvel::test {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "norvel-sqlite-XXXXXX").string();
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (::mkdtemp(buffer.data()) == nullptr) throw std::runtime_error(std::strerror(errno));
  path_ = buffer.data();
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

namespace {

struct Closer {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};

std::unique_ptr<sqlite3, Closer> openRaw(const std::string& file, int flags) {
  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2(file.c_str(), &raw, flags, nullptr);
  std::unique_ptr<sqlite3, Closer> db(raw);
  if (rc != SQLITE_OK) throw std::runtime_error(sqlite3_errmsg(raw));
  return db;
}

}  // namespace

void createDatabase(const std::string& file, const std::string& sql) {
  auto db = openRaw(file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  // Test data need not survive a power cut; skipping the syncs keeps the tests fast.
  const std::string script = "PRAGMA synchronous=OFF;" + sql;
  char* error = nullptr;
  if (sqlite3_exec(db.get(), script.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    const std::string message = error != nullptr ? error : "?";
    sqlite3_free(error);
    throw std::runtime_error(message);
  }
}

std::string scalar(const std::string& file, const std::string& sql) {
  auto db = openRaw(file, SQLITE_OPEN_READONLY);
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(db.get(), sql.c_str(), -1, &raw, nullptr) != SQLITE_OK) {
    throw std::runtime_error(sqlite3_errmsg(db.get()));
  }
  std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> statement(raw, &sqlite3_finalize);
  if (sqlite3_step(raw) != SQLITE_ROW) throw std::runtime_error("no row: " + sql);
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(raw, 0));
  return text != nullptr ? text : "NULL";
}

OtherConnection::OtherConnection(const std::string& file) {
  db_ = openRaw(file, SQLITE_OPEN_READWRITE).release();
}

OtherConnection::~OtherConnection() {
  sqlite3_close_v2(db_);
}

void OtherConnection::exec(const std::string& sql) {
  char* error = nullptr;
  if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    const std::string message = error != nullptr ? error : "?";
    sqlite3_free(error);
    throw std::runtime_error(message);
  }
}

WithoutRootPrivileges::WithoutRootPrivileges() {
  if (::geteuid() != 0) return;
  constexpr uid_t kNobody = 65534;
  if (::seteuid(kNobody) != 0) throw std::runtime_error(std::strerror(errno));
  dropped_ = true;
}

WithoutRootPrivileges::~WithoutRootPrivileges() {
  if (dropped_ && ::seteuid(0) != 0) std::abort();
}

}  // namespace norvel::test
