#pragma once

#include <filesystem>
#include <string>

#include <sys/types.h>

struct sqlite3;

namespace norvel::test {

// A directory of its own for one test, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// Creates (or extends) an SQLite database file with SQLite itself, not through the code
// under test.
void createDatabase(const std::string& file, const std::string& sql);

// Reads one value as text through a connection of its own; "NULL" for NULL.
std::string scalar(const std::string& file, const std::string& sql);

// A second, independent connection to the same file, as another program would hold it.
class OtherConnection {
 public:
  explicit OtherConnection(const std::string& file);
  ~OtherConnection();
  OtherConnection(const OtherConnection&) = delete;
  OtherConnection& operator=(const OtherConnection&) = delete;

  void exec(const std::string& sql);

 private:
  sqlite3* db_ = nullptr;
};

// Drops root's power to write any file for the lifetime of the object, so that file modes
// count as they do for an ordinary user. Does nothing when not running as root.
class WithoutRootPrivileges {
 public:
  WithoutRootPrivileges();
  ~WithoutRootPrivileges();
  WithoutRootPrivileges(const WithoutRootPrivileges&) = delete;
  WithoutRootPrivileges& operator=(const WithoutRootPrivileges&) = delete;

 private:
  bool dropped_ = false;
};

}  // namespace norvel::test
