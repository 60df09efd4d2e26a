#include <sys/wait.h>
#include <cstdio>
#include <memory>
#include <stdexcept>

#include "host_program.h"

namespace norvel::testing {
namespace {

// One word for the shell, whatever it holds.
std::string shellQuoted(const std::string& arg) {
  std::string text = "'";
  for (const char c : arg) text += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return text + "'";
}

}  // namespace

std::string hostProgramsUnavailable() {
  return {};
}

std::string hostPath(const std::string& path) {
  return path;
}

HostRun runHostProgram(const std::string& program, const std::vector<std::string>& args) {
  std::string line = shellQuoted(program);
  for (const std::string& arg : args) line += ' ' + shellQuoted(arg);
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(line.c_str(), "r"), ::pclose);
  if (!pipe) throw std::runtime_error(line + ": cannot be started");
  HostRun run;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) {
    run.out.append(buffer, n);
  }
  const int status = ::pclose(pipe.release());
  run.exit_code = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

}  // namespace norvel::testing
