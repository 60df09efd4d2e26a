#include <fcntl.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <stop_token>
#include <thread>

#include "child_process.h"
#include "platform/posix/file_descriptor.h"

namespace norvel::batch::test {
namespace {

std::runtime_error systemError(const std::string& what) {
  return std::runtime_error(what + ": " + std::strerror(errno));
}

}  // namespace

RunResult runProgram(const std::string& program, std::vector<std::string> args, const Env& env,
                     const Launch& launch, const Interrupt& interrupt) {
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

  // Asks until the child has ended, not merely until it is reaped: its pid is not reused before.
  std::jthread sender;
  if (interrupt.signal != 0 && interrupt.ready) {
    sender = std::jthread([&](const std::stop_token& ended) {
      while (!ended.stop_requested()) {
        if (interrupt.ready(pid)) {
          ::kill(pid, interrupt.signal);
          return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
    });
  }
  std::this_thread::sleep_for(launch.stall);

  RunResult result;
  std::string& shown = launch.terminal ? result.err : result.out;
  bool answered = launch.password.empty();
  bool interrupted = interrupt.signal == 0 || interrupt.ready;
  char buffer[4096];
  // A terminal reports EIO instead of the end once the child has closed it.
  for (ssize_t n; (n = ::read(launch.terminal ? master : out_read.get(), buffer, 4096)) > 0;) {
    shown.append(buffer, static_cast<std::size_t>(n));
    if (!launch.terminal && launch.stdout_lines != 0) {
      std::size_t end = 0;
      std::size_t lines = 0;
      while (lines < launch.stdout_lines && (end = shown.find('\n', end)) != std::string::npos) {
        ++end;
        ++lines;
      }
      if (lines == launch.stdout_lines) {
        shown.resize(end);
        out_read = FileDescriptor();
        break;
      }
    }
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
  siginfo_t info{};
  if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) != 0) {
    throw systemError("waitid");
  }
  sender.request_stop();
  if (sender.joinable()) sender.join();
  int status = 0;
  if (::waitpid(pid, &status, 0) < 0) throw systemError("waitpid");
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::rewind(err.get());
  for (std::size_t n; (n = std::fread(buffer, 1, 4096, err.get())) > 0;) {
    result.err.append(buffer, n);
  }
  return result;
}

}  // namespace norvel::batch::test
