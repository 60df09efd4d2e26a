#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "platform/sqlite/sqlite_file.h"

namespace norvel::sqlite {

std::optional<FileIdentity> identityOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return FileIdentity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

std::string lastSystemErrorText() {
  return std::strerror(errno);
}

std::string systemErrorText(int error) {
  return std::strerror(error);
}

bool hasNoWriteBits(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

bool isAbsolutePath(const std::string& path) {
  return !path.empty() && path.front() == '/';
}

}  // namespace norvel::sqlite
