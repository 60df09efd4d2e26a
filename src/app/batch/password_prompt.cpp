#include "app/batch/password_prompt.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "app/batch/batch_text.h"
#include "platform/posix/file_descriptor.h"
#include "platform/posix/file_io.h"

namespace norvel::batch {
namespace {

// Echo off for as long as the object lives; the terminal's settings come back on every path.
class EchoOff {
 public:
  explicit EchoOff(int fd) : fd_(fd) {
    if (tcgetattr(fd_, &saved_) != 0) return;
    termios quiet = saved_;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    quiet.c_lflag |= ECHONL;
    active_ = tcsetattr(fd_, TCSAFLUSH, &quiet) == 0;
  }
  ~EchoOff() {
    if (active_) tcsetattr(fd_, TCSAFLUSH, &saved_);
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;

 private:
  int fd_;
  termios saved_{};
  bool active_ = false;
};

}  // namespace

std::optional<std::string> oraclePassword(const std::string& user) {
  if (const char* from_environment = std::getenv("NORVEL_PASSWORD")) {
    return std::string(from_environment);
  }
  // The controlling terminal, so that a password is never read from a redirected input.
  FileDescriptor tty(::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC));
  if (!tty || !isatty(tty.get())) return std::nullopt;

  std::string password;
  bool ended = false;
  {
    // Echo goes off before the prompt appears, so nothing typed in answer is ever shown.
    EchoOff echo_off(tty.get());
    writeAll(tty.get(), tr("Password for {1}: ", {user}));
    char c = 0;
    for (;;) {
      const ssize_t n = ::read(tty.get(), &c, 1);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        ended = true;
        break;
      }
      if (c == '\n' || c == '\r') break;
      password.push_back(c);
    }
  }
  if (ended) writeAll(tty.get(), "\n");
  if (ended && password.empty()) return std::nullopt;
  return password;
}

}  // namespace norvel::batch
