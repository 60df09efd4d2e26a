#include "app/batch/pair_file_check.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "app/batch/batch_text.h"
#include "platform/posix/file_descriptor.h"

namespace norvel::batch {

std::optional<std::string> whyUnreadable(const std::string& path) {
  if (path.empty()) return std::string(tr("the path is empty"));
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!file) return std::string(std::strerror(errno));
  struct stat status {};
  if (::fstat(file.get(), &status) != 0) return std::string(std::strerror(errno));
  if (S_ISDIR(status.st_mode)) return std::string(std::strerror(EISDIR));
  if (!S_ISREG(status.st_mode)) return std::string(tr("not a regular file"));
  return std::nullopt;
}

}  // namespace norvel::batch
