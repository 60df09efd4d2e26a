#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace norvel::batch::test {

struct RunResult {
  int exit_code = -1;  // -1 when killed by a signal or for hanging
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
  // Without a terminal: stdout is closed once this many lines were read, as "| head -n" does
  // (0: read to the end).
  std::size_t stdout_lines = 0;
};

// A signal sent to the child once its stdout (without a terminal) shows after_output, or, where
// ready is given, once ready(pid) says so: it is asked every few milliseconds, on a thread of its
// own, while the child runs.
struct Interrupt {
  int signal = 0;
  std::string after_output;
  std::function<bool(int pid)> ready = nullptr;
};

// A pseudo terminal and signals exist only for the POSIX launcher; the Windows one refuses a
// Launch or Interrupt that asks for them.
#if defined(_WIN32)
inline constexpr bool kTerminalAndSignals = false;
#else
inline constexpr bool kTerminalAndSignals = true;
#endif

// Runs program with args (UTF-8) and waits for it; a child still running after 60 s is killed
// so that it fails its test instead of holding up the suite.
RunResult runProgram(const std::string& program, std::vector<std::string> args, const Env& env = {},
                     const Launch& launch = {}, const Interrupt& interrupt = {});

}  // namespace norvel::batch::test
