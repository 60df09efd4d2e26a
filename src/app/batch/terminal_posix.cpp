#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include "app/batch/terminal.h"

namespace norvel::batch {

bool standardErrorIsTerminal() {
  return isatty(STDERR_FILENO) == 1;
}

bool standardStreamsShareTerminal() {
  struct stat out {};
  struct stat err {};
  return isatty(STDOUT_FILENO) == 1 && isatty(STDERR_FILENO) == 1 &&
         fstat(STDOUT_FILENO, &out) == 0 && fstat(STDERR_FILENO, &err) == 0 &&
         out.st_rdev == err.st_rdev;
}

void ignoreBrokenPipe() {
  std::signal(SIGPIPE, SIG_IGN);
}

}  // namespace norvel::batch
