#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace norvel::batch::test {

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

struct RunResult {
  int exit_code = -1;  // -1 when killed by a signal
  std::string out;
  std::string err;
};

// Environment changes for a child: a value sets the variable, nullopt removes it.
using EnvChanges = std::map<std::string, std::optional<std::string>>;

// How a child is started. By default it runs in a session of its own, without a controlling
// terminal, stdin from /dev/null, stdout and stderr on pipes.
struct Launch {
  // stdin and stderr on a pseudo terminal that is the child's controlling terminal (stdout
  // stays a pipe). RunResult::err then holds what the terminal showed.
  bool terminal = false;
  // Sees the terminal's text so far; what it returns is typed into the terminal.
  std::function<std::string(const std::string&)> on_terminal_output;
  // stdout is not read for this long, so the child blocks once the pipe is full.
  std::chrono::milliseconds stdout_stall{0};
};

RunResult runProgram(const std::string& program, const std::vector<std::string>& args,
                     const EnvChanges& env = {}, const Launch& launch = {});

// norvel-batch itself, with NORVEL_PASSWORD removed from its environment unless given.
RunResult runBatch(const std::vector<std::string>& args, const EnvChanges& env = {},
                   const Launch& launch = {});
std::string batchProgram();

// SQLite, straight through the library.
void execSql(const std::string& file, const std::string& sql);
// Every row of the query, its columns joined with '|', rows joined with '\n'; NULL as "NULL".
std::string queryRows(const std::string& file, const std::string& sql);

// A second connection that holds SQLite's write lock on the file until released.
class WriteLock {
 public:
  explicit WriteLock(const std::string& file);
  ~WriteLock();
  WriteLock(const WriteLock&) = delete;
  WriteLock& operator=(const WriteLock&) = delete;
  void release();

 private:
  sqlite3* db_ = nullptr;
  bool held_ = false;
};

std::string readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::string& bytes);

// What a later run must leave exactly as it was.
struct FileStamp {
  std::string bytes;
  std::int64_t mtime_ns = 0;
  std::int64_t size = 0;
  bool operator==(const FileStamp&) const = default;
};
FileStamp stampOf(const std::string& path);

// The names in a directory, sorted.
std::vector<std::string> listDirectory(const std::filesystem::path& dir);

}  // namespace norvel::batch::test
