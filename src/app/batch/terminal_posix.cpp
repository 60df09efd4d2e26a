#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include "app/batch/terminal.h"

namespace norvel::batch {

bool standardErrorIsTerminal() {
  return isatty(STDERR_FILENO) == 1;
}

bool standardStreamsShareOutput() {
  struct stat out {};
  struct stat err {};
  if (fstat(STDOUT_FILENO, &out) != 0 || fstat(STDERR_FILENO, &err) != 0) return false;
  if (isatty(STDOUT_FILENO) == 1 && isatty(STDERR_FILENO) == 1) return out.st_rdev == err.st_rdev;
  return out.st_dev == err.st_dev && out.st_ino == err.st_ino;
}

void ignoreBrokenPipe() {
  std::signal(SIGPIPE, SIG_IGN);
}

}  // namespace norvel::batch
