#include "batch_test_support.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace norvel::batch::test {
namespace {

constexpr std::chrono::seconds kChildTimeout{60};

std::runtime_error systemError(const std::string& what) {
  return std::runtime_error(what + ": " + std::strerror(errno));
}

// The child's environment as execve takes it.
class Environment {
 public:
  explicit Environment(const EnvChanges& changes) {
    std::map<std::string, std::string> vars;
    for (char** entry = environ; *entry != nullptr; ++entry) {
      const std::string text = *entry;
      const std::size_t eq = text.find('=');
      if (eq != std::string::npos) vars[text.substr(0, eq)] = text.substr(eq + 1);
    }
    for (const auto& [name, value] : changes) {
      if (value) {
        vars[name] = *value;
      } else {
        vars.erase(name);
      }
    }
    for (const auto& [name, value] : vars) strings_.push_back(name + "=" + value);
    for (std::string& s : strings_) pointers_.push_back(s.data());
    pointers_.push_back(nullptr);
  }
  char** get() { return pointers_.data(); }

 private:
  std::vector<std::string> strings_;
  std::vector<char*> pointers_;
};

class Argv {
 public:
  Argv(const std::string& program, const std::vector<std::string>& args) {
    strings_.push_back(program);
    strings_.insert(strings_.end(), args.begin(), args.end());
    for (std::string& s : strings_) pointers_.push_back(s.data());
    pointers_.push_back(nullptr);
  }
  char** get() { return pointers_.data(); }

 private:
  std::vector<std::string> strings_;
  std::vector<char*> pointers_;
};

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { reset(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  void reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_;
};

int waitFor(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) throw systemError("waitpid");
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "norvel-batch-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw systemError("mkdtemp");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

RunResult runProgram(const std::string& program, const std::vector<std::string>& args,
                     const EnvChanges& env, const Launch& launch) {
  Environment environment(env);
  Argv argv(program, args);
  int out_pipe[2];
  if (::pipe2(out_pipe, O_CLOEXEC) != 0) throw systemError("pipe");
  Fd out_read(out_pipe[0]), out_write(out_pipe[1]);
  Fd err_read, err_write;
  if (!launch.terminal) {
    int err_pipe[2];
    if (::pipe2(err_pipe, O_CLOEXEC) != 0) throw systemError("pipe");
    err_read.reset(err_pipe[0]);
    err_write.reset(err_pipe[1]);
  }

  int master = -1;
  const pid_t pid = launch.terminal ? ::forkpty(&master, nullptr, nullptr, nullptr) : ::fork();
  if (pid < 0) throw systemError("fork");
  if (pid == 0) {
    if (!launch.terminal) {
      ::setsid();
      const int null = ::open("/dev/null", O_RDONLY);
      ::dup2(null, STDIN_FILENO);
      ::dup2(err_write.get(), STDERR_FILENO);
    }
    ::dup2(out_write.get(), STDOUT_FILENO);
    ::execve(program.c_str(), argv.get(), environment.get());
    ::_exit(127);
  }
  if (launch.terminal) err_read.reset(master);
  out_write.reset();
  err_write.reset();

  RunResult result;
  const auto started = std::chrono::steady_clock::now();
  const auto deadline = started + kChildTimeout;
  pollfd fds[2] = {{out_read.get(), POLLIN, 0}, {err_read.get(), POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  int open_count = 2;
  while (open_count > 0) {
    const auto now = std::chrono::steady_clock::now();
    if (now > deadline) {
      ::kill(pid, SIGKILL);
      break;
    }
    const bool stalled = now - started < launch.stdout_stall;
    pollfd watched[2] = {fds[0], fds[1]};
    if (stalled) watched[0].fd = -1;
    if (::poll(watched, 2, stalled ? 50 : 1000) < 0) {
      if (errno == EINTR) continue;
      throw systemError("poll");
    }
    for (int i = 0; i < 2; ++i) {
      if (watched[i].fd < 0 || watched[i].revents == 0) continue;
      char buffer[4096];
      const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        sinks[i]->append(buffer, static_cast<std::size_t>(n));
        if (i == 1 && launch.terminal && launch.on_terminal_output) {
          const std::string answer = launch.on_terminal_output(result.err);
          if (!answer.empty() && ::write(fds[i].fd, answer.data(), answer.size()) < 0) {
            throw systemError("write to the terminal");
          }
        }
      } else if (n == 0 || errno != EINTR) {
        // A terminal reports EIO once the child has closed its side.
        fds[i].fd = -1;
        --open_count;
      }
    }
  }
  result.exit_code = waitFor(pid);
  return result;
}

std::string batchProgram() {
  return NORVEL_BATCH_PROGRAM;
}

RunResult runBatch(const std::vector<std::string>& args, const EnvChanges& env,
                   const Launch& launch) {
  EnvChanges changes{{"NORVEL_PASSWORD", std::nullopt}};
  for (const auto& [name, value] : env) changes[name] = value;
  return runProgram(batchProgram(), args, changes, launch);
}

namespace {

struct Closer {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Database = std::unique_ptr<sqlite3, Closer>;

Database openDatabase(const std::string& file, int flags) {
  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2(file.c_str(), &raw, flags, nullptr);
  Database db(raw);
  if (rc != SQLITE_OK) throw std::runtime_error(file + ": " + sqlite3_errmsg(raw));
  return db;
}

void exec(sqlite3* db, const std::string& sql) {
  char* error = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    const std::string message = error != nullptr ? error : "?";
    sqlite3_free(error);
    throw std::runtime_error(message);
  }
}

}  // namespace

void execSql(const std::string& file, const std::string& sql) {
  exec(openDatabase(file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE).get(), sql);
}

std::string queryRows(const std::string& file, const std::string& sql) {
  Database db = openDatabase(file, SQLITE_OPEN_READONLY);
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(db.get(), sql.c_str(), -1, &raw, nullptr) != SQLITE_OK) {
    throw std::runtime_error(sqlite3_errmsg(db.get()));
  }
  std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> statement(raw, &sqlite3_finalize);
  std::string rows;
  while (sqlite3_step(raw) == SQLITE_ROW) {
    if (!rows.empty()) rows += '\n';
    for (int i = 0; i < sqlite3_column_count(raw); ++i) {
      if (i > 0) rows += '|';
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(raw, i));
      rows += text != nullptr ? text : "NULL";
    }
  }
  return rows;
}

WriteLock::WriteLock(const std::string& file) {
  db_ = openDatabase(file, SQLITE_OPEN_READWRITE).release();
  exec(db_, "BEGIN IMMEDIATE");
  held_ = true;
}

WriteLock::~WriteLock() {
  release();
  sqlite3_close_v2(db_);
}

void WriteLock::release() {
  if (!held_) return;
  held_ = false;
  sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw systemError(path);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void writeBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out.flush()) throw systemError(path);
}

FileStamp stampOf(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) throw systemError(path);
  return {readBytes(path),
          static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec,
          static_cast<std::int64_t>(status.st_size)};
}

std::vector<std::string> listDirectory(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace norvel::batch::test
