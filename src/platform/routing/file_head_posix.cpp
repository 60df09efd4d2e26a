#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "platform/posix/file_descriptor.h"
#include "platform/posix/file_io.h"
#include "platform/routing/file_head.h"

namespace norvel::routing {

FileHead readFileHead(const std::string& path, std::size_t limit) {
  FileHead head;
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) {
    if (errno != ENOENT && errno != ENOTDIR) head.error = std::strerror(errno);
    return head;
  }
  if (S_ISDIR(status.st_mode)) {
    head.type = FileHead::Type::kDirectory;
    return head;
  }
  if (!S_ISREG(status.st_mode)) {
    head.type = FileHead::Type::kOther;
    return head;
  }
  head.type = FileHead::Type::kRegular;
  const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!file) {
    head.error = std::strerror(errno);
  } else if (const int error = readAll(file.get(), head.bytes, limit); error != 0) {
    head.error = std::strerror(error);
  }
  return head;
}

}  // namespace norvel::routing
