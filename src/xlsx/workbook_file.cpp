#include "xlsx/workbook_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/database.h"
#include "platform/posix/file_descriptor.h"
#include "platform/posix/file_io.h"
#include "platform/posix/posix_file_system.h"

namespace norvel::xlsx {

using norvel::FileDescriptor;

namespace {

std::string systemError(int error) {
  return std::strerror(error);
}

[[noreturn]] void failSaving(const std::string& why) {
  throw DatabaseError(why);
}

FileIdentity identityOf(const struct stat& st) {
  FileIdentity id;
  id.device = st.st_dev;
  id.inode = st.st_ino;
  id.size = st.st_size;
  id.modified = st.st_mtim;
  id.mode = st.st_mode;
  id.owner = st.st_uid;
  id.group = st.st_gid;
  return id;
}

bool sameFile(const FileIdentity& a, const FileIdentity& b) {
  return a.device == b.device && a.inode == b.inode && a.size == b.size &&
         a.modified.tv_sec == b.modified.tv_sec && a.modified.tv_nsec == b.modified.tv_nsec;
}

}  // namespace

LoadedFile loadFile(const std::string& path) {
  LoadedFile file;
  // Open read-only: a missing workbook must not be created.
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) throw DatabaseError(systemError(errno));
  struct stat st;
  if (::fstat(fd.get(), &st) != 0) throw DatabaseError(systemError(errno));
  if (S_ISDIR(st.st_mode)) throw DatabaseError(systemError(EISDIR));
  if (!S_ISREG(st.st_mode)) throw DatabaseError("通常のファイルではありません");
  file.identity = identityOf(st);

  const auto size = static_cast<std::size_t>(st.st_size);
  file.bytes.reserve(size);
  if (const int error = readAll(fd.get(), file.bytes, size); error != 0) {
    throw DatabaseError(systemError(error));
  }

  // The rename on saving replaces the file a link points to, not the link.
  char resolved[PATH_MAX];
  file.path = ::realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
  return file;
}

FileIdentity replaceFile(const std::string& path, const std::string& bytes,
                         const FileIdentity& expected) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) failSaving(systemError(errno));
  const FileIdentity current = identityOf(st);
  if (!sameFile(current, expected)) {
    failSaving("開いた後にほかのプログラムがファイルを変更しました");
  }
  // Write permission is judged by the file's mode bits too: a privileged process would
  // otherwise replace a file its owner marked read-only.
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
    failSaving(systemError(EACCES) + "（ファイルは読み取り専用です）");
  }
  if (::access(path.c_str(), W_OK) != 0) failSaving(systemError(errno));

  try {
    PosixFileSystem().replaceFile(path, bytes);
  } catch (const FileError& error) {
    // The caller names the workbook; keep the system's reason only.
    std::string reason = error.what();
    if (reason.rfind(path + ": ", 0) == 0) reason.erase(0, path.size() + 2);
    failSaving(reason);
  }
  struct stat written;
  if (::stat(path.c_str(), &written) != 0) failSaving(systemError(errno));
  return identityOf(written);
}

}  // namespace norvel::xlsx
