#include "platform/posix/file_io.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>

namespace norvel {

int writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (written == 0) return ENOSPC;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return 0;
}

int readAll(int fd, std::string& bytes, std::size_t limit) {
  std::array<char, 65536> chunk;
  std::size_t done = 0;
  while (done < limit) {
    const ssize_t count = ::read(fd, chunk.data(), std::min(chunk.size(), limit - done));
    if (count < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (count == 0) break;
    bytes.append(chunk.data(), static_cast<std::size_t>(count));
    done += static_cast<std::size_t>(count);
  }
  return 0;
}

}  // namespace norvel
