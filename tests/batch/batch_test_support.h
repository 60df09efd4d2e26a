#pragma once

#include <fcntl.h>
#include <gmock/gmock.h>
#include <pty.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/posix/file_descriptor.h"

namespace norvel::batch::test {

namespace fs = std::filesystem;
using ::testing::ContainsRegex;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

inline std::runtime_error systemError(const std::string& what) {
  return std::runtime_error(what + ": " + std::strerror(errno));
}

struct RunResult {
  int exit_code = -1;  // -1 when killed by a signal
  std::string out, err;
};

// Changes to the child's environment; nullopt removes a variable.
using Env = std::map<std::string, std::optional<std::string>>;

// By default the child has no controlling terminal, stdin from a file and stdout on a pipe.
struct Launch {
  // stdin, stdout and stderr on a pseudo terminal that is the controlling terminal; err then
  // holds everything it showed.
  bool terminal = false;
  std::string password;  // typed on the terminal once it asks for one
  // The output is left unread this long, so a talkative child blocks on it.
  std::chrono::milliseconds stall{0};
  std::string input;  // standard input (without a terminal)
};

// A signal sent to the child once its stdout (without a terminal) shows after_output.
struct Interrupt {
  int signal = 0;
  std::string after_output;
};

inline RunResult runProgram(const std::string& program, std::vector<std::string> args,
                            const Env& env = {}, const Launch& launch = {},
                            const Interrupt& interrupt = {}) {
  args.insert(args.begin(), program);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const std::unique_ptr<FILE, int (*)(FILE*)> err(std::tmpfile(), &std::fclose);
  const std::unique_ptr<FILE, int (*)(FILE*)> in(std::tmpfile(), &std::fclose);
  if (!in ||
      std::fwrite(launch.input.data(), 1, launch.input.size(), in.get()) != launch.input.size()) {
    throw systemError("stdin");
  }
  std::rewind(in.get());
  int ends[2];
  if (!err || ::pipe2(ends, O_CLOEXEC) != 0) throw systemError("pipe");
  FileDescriptor out_read(ends[0]), out_write(ends[1]);
  int master = -1;
  const pid_t pid = launch.terminal ? ::forkpty(&master, nullptr, nullptr, nullptr) : ::fork();
  if (pid < 0) throw systemError("fork");
  if (pid == 0) {
    ::alarm(60);  // a hung child fails its test instead of holding up the suite
    // A background job of a shell starts with these ignored; the child is to see them.
    ::signal(SIGINT, SIG_DFL);
    ::signal(SIGTERM, SIG_DFL);
    for (const auto& [name, value] : env) {
      value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
    }
    if (!launch.terminal) {
      ::setsid();
      ::dup2(::fileno(in.get()), STDIN_FILENO);
      ::dup2(out_write.get(), STDOUT_FILENO);
      ::dup2(::fileno(err.get()), STDERR_FILENO);
    }
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  const FileDescriptor terminal(master);
  out_write = FileDescriptor();
  std::this_thread::sleep_for(launch.stall);

  RunResult result;
  std::string& shown = launch.terminal ? result.err : result.out;
  bool answered = launch.password.empty();
  bool interrupted = interrupt.signal == 0;
  char buffer[4096];
  // A terminal reports EIO instead of the end once the child has closed it.
  for (ssize_t n; (n = ::read(launch.terminal ? master : out_read.get(), buffer, 4096)) > 0;) {
    shown.append(buffer, static_cast<std::size_t>(n));
    if (!answered && shown.find("Password for ") != std::string::npos) {
      answered = true;
      const std::string typed = launch.password + "\n";
      if (::write(master, typed.data(), typed.size()) < 0) throw systemError("write");
    }
    if (!interrupted && shown.find(interrupt.after_output) != std::string::npos) {
      interrupted = true;
      if (::kill(pid, interrupt.signal) != 0) throw systemError("kill");
    }
  }
  int status = 0;
  if (::waitpid(pid, &status, 0) < 0) throw systemError("waitpid");
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::rewind(err.get());
  for (std::size_t n; (n = std::fread(buffer, 1, 4096, err.get())) > 0;) {
    result.err.append(buffer, n);
  }
  return result;
}

// norvel-batch, without NORVEL_PASSWORD unless env sets it, and with its English texts
// (LANG=C.UTF-8, no other locale variable) unless env names a locale.
inline RunResult runBatch(const std::vector<std::string>& args, Env env = {},
                          const Launch& launch = {}, const Interrupt& interrupt = {}) {
  env.try_emplace("NORVEL_PASSWORD", std::nullopt);
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANGUAGE"}) {
    env.try_emplace(name, std::nullopt);
  }
  env.try_emplace("LANG", "C.UTF-8");
  return runProgram(NORVEL_BATCH_PROGRAM, args, env, launch, interrupt);
}

// Runs the statements on an SQLite file and returns the rows they give, joined with '\n', their
// columns with '|', NULL as "NULL". The connection lives on in `keep` when asked.
inline std::string sql(const std::string& file, const std::string& statements,
                       std::shared_ptr<sqlite3>* keep = nullptr) {
  sqlite3* raw = nullptr;
  const int opened = sqlite3_open(file.c_str(), &raw);
  const std::shared_ptr<sqlite3> db(raw, &sqlite3_close_v2);
  std::string rows;
  const auto collect = [](void* sink, int columns, char** values, char**) {
    std::string& text = *static_cast<std::string*>(sink);
    for (int i = 0; i < columns; ++i) {
      if (i > 0 || !text.empty()) text += i > 0 ? '|' : '\n';
      text += values[i] != nullptr ? values[i] : "NULL";
    }
    return 0;
  };
  if (opened != SQLITE_OK ||
      sqlite3_exec(raw, statements.c_str(), collect, &rows, nullptr) != SQLITE_OK) {
    throw std::runtime_error(file + ": " + sqlite3_errmsg(raw));
  }
  if (keep != nullptr) *keep = db;
  return rows;
}

inline std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw systemError(path);
  return {std::istreambuf_iterator<char>(in), {}};
}

inline void writeBytes(const std::string& path, const std::string& bytes) {
  if (!(std::ofstream(path, std::ios::binary) << bytes)) throw systemError(path);
}

// What a run that must not write leaves exactly as it was.
inline std::pair<std::string, fs::file_time_type> stampOf(const std::string& path) {
  return {readBytes(path), fs::last_write_time(path)};
}

inline std::vector<std::string> listDirectory(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// The status box lines of one pair, with the LF line ends norvel-batch prints.
inline std::string statusLines(const std::string& old_code, const std::string& new_code,
                               const std::string& count) {
  return old_code + "->" + new_code + " ... \n" + std::string(24 - count.size(), ' ') + count +
         "件置換しました。\n";
}

// 住所 in an SQLite file of the test's own: 100-0001 in 2 rows, 100-0003 in 1,500 (so counts
// are grouped), 100-0004 in 1; and a pair list whose pairs change 2, 0 and the 100-0003 rows.
class BatchTest : public ::testing::Test {
 protected:
  BatchTest() {
    sql(db_,
        "CREATE TABLE 住所 (郵便番号 TEXT CHECK (length(郵便番号) = 8), 町域 TEXT);"
        "INSERT INTO 住所 VALUES ('100-0001', '千代田'), ('100-0001', '皇居外苑'),"
        " ('100-0004', '大手町');"
        "INSERT INTO 住所 WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n"
        " WHERE i < 1500) SELECT '100-0003', '一ツ橋' || i FROM n;"
        "CREATE TABLE 顧客 (番号 INTEGER, 氏名 TEXT, 郵便番号 TEXT); CREATE TABLE Kunden (plz);");
    writeBytes(pairs_, "100-0001,100-0091\r\n999-9999,100-0092\r\n100-0003,100-0093\r\n");
  }
  ~BatchTest() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  static fs::path newTempDir() {
    std::string pattern = (fs::temp_directory_path() / "norvel-batch-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw systemError("mkdtemp");
    return pattern;
  }
  std::string file(const std::string& name) const { return (dir_ / name).string(); }
  // norvel-batch. Only the window's 終了 button writes a pair list, and norvel-batch never
  // presses it: whatever the outcome, the pair list and the test's folder stay as they were.
  RunResult batch(const std::vector<std::string>& args, Env env = {}, const Launch& launch = {},
                  const Interrupt& interrupt = {}) const {
    const auto pairs_before = stampOf(pairs_);
    const auto files_before = listDirectory(dir_);
    const RunResult run = runBatch(args, std::move(env), launch, interrupt);
    EXPECT_EQ(stampOf(pairs_), pairs_before) << "the pair list was written";
    EXPECT_EQ(listDirectory(dir_), files_before);
    return run;
  }
  // Each code of 住所 with its number of rows.
  std::string codes() const {
    return sql(db_, "SELECT 郵便番号, count(*) FROM 住所 GROUP BY 1 ORDER BY 1");
  }
  // The source arguments, then 住所, 郵便番号 and the pair list (by default pairs_).
  std::vector<std::string> args(std::vector<std::string> source, std::string pairs = "") const {
    source.insert(source.end(), {"--table", "住所", "--field", "郵便番号", "--pairs",
                                 pairs.empty() ? pairs_ : pairs});
    return source;
  }
  static std::string standardStatus(const std::string& third_count) {
    return statusLines("100-0001", "100-0091", "2") + statusLines("999-9999", "100-0092", "0") +
           statusLines("100-0003", "100-0093", third_count);
  }

  static constexpr const char* kOriginalCodes = "100-0001|2\n100-0003|1500\n100-0004|1";
  static constexpr const char* kReplacedCodes = "100-0004|1\n100-0091|2\n100-0093|1500";

  fs::path dir_ = newTempDir();
  std::string db_ = file("addresses.sqlite");
  std::string pairs_ = file("pairs.csv");
};

}  // namespace norvel::batch::test
