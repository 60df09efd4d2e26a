#pragma once

#if !defined(_WIN32)
#include <grp.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <functional>

namespace norvel::testing {

// Runs check in a child process with the uid and gid of "nobody", because root may read and
// write whatever the permission bits say. Returns check's result as the child's exit status, or
// -1 when the privileges cannot be dropped here. Without root, check runs in this process.
// On Windows the read-only attribute binds every user alike: check runs in this process.
inline int runUnprivileged(const std::function<int()>& check) {
#if defined(_WIN32)
  return check();
#else
  if (::geteuid() != 0) return check();
  constexpr uid_t kNobody = 65534;
  constexpr int kCannotDrop = 125;
  const pid_t child = ::fork();
  if (child < 0) return -1;
  if (child == 0) {
    if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
      ::_exit(kCannotDrop);
    }
    int status = 124;
    try {
      status = check();
    } catch (...) {
    }
    ::_exit(status);
  }
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status) == kCannotDrop ? -1 : WEXITSTATUS(status);
#endif
}

}  // namespace norvel::testing
