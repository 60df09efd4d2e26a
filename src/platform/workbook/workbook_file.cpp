#include "platform/workbook/workbook_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/database.h"

namespace norvel::xlsx {

namespace {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  // Returns close's own result so that a late write error is not lost.
  int release() {
    int result = ::close(fd_);
    fd_ = -1;
    return result;
  }

 private:
  int fd_;
};

// Removes the temporary file unless it was renamed into place.
class TemporaryFile {
 public:
  explicit TemporaryFile(std::string path) : path_(std::move(path)) {}
  ~TemporaryFile() {
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  void keep() { path_.clear(); }

 private:
  std::string path_;
};

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

void writeAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    auto n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      failSaving(systemError(errno));
    }
    done += static_cast<std::size_t>(n);
  }
}

std::string folderOf(const std::string& path) {
  auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
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
  if (!S_ISREG(st.st_mode)) throw DatabaseError("not a regular file");
  file.identity = identityOf(st);

  file.bytes.resize(static_cast<std::size_t>(st.st_size));
  std::size_t done = 0;
  while (done < file.bytes.size()) {
    auto n = ::read(fd.get(), file.bytes.data() + done, file.bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw DatabaseError(systemError(errno));
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  file.bytes.resize(done);

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
    failSaving("the file was changed by another program after it was opened");
  }
  // Write permission is judged by the file's mode bits too: a privileged process would
  // otherwise replace a file its owner marked read-only.
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
    failSaving(systemError(EACCES) + " (the file is read-only)");
  }
  if (::access(path.c_str(), W_OK) != 0) failSaving(systemError(errno));

  const std::string folder = folderOf(path);
  std::string name = path.substr(path.rfind('/') + 1);
  std::string pattern = folder + "/." + name + ".XXXXXX";
  FileDescriptor fd(::mkstemp(pattern.data()));
  if (fd.get() < 0) failSaving(systemError(errno));
  TemporaryFile temporary(pattern);

  writeAll(fd.get(), bytes);
  if (::fchmod(fd.get(), st.st_mode & 07777) != 0) failSaving(systemError(errno));
  // Only a privileged process can give the file back its owner; others keep their own.
  if (::fchown(fd.get(), st.st_uid, st.st_gid) != 0 && errno != EPERM) {
    failSaving(systemError(errno));
  }
  if (::fsync(fd.get()) != 0) failSaving(systemError(errno));
  // The rename keeps the inode and the modification time, so this is the new file's identity;
  // taken now, nothing can fail once the file has been replaced.
  struct stat written;
  if (::fstat(fd.get(), &written) != 0) failSaving(systemError(errno));
  if (fd.release() != 0) failSaving(systemError(errno));
  if (::rename(pattern.c_str(), path.c_str()) != 0) failSaving(systemError(errno));
  temporary.keep();

  FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
  return identityOf(written);
}

}  // namespace norvel::xlsx
