#include "platform/posix/posix_file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <utility>

#include "platform/posix/file_descriptor.h"
#include "platform/posix/file_io.h"
#include "platform/posix/temporary_file.h"

namespace norvel {
namespace {

[[noreturn]] void fail(const std::string& path, int error) {
  throw FileError(path + ": " + std::strerror(error));
}

// A path with a NUL byte would silently name a different file.
const char* systemPath(const std::string& path) {
  if (path.find('\0') != std::string::npos) fail(path, EINVAL);
  return path.c_str();
}

FileDescriptor openFile(const char* path, int flags, mode_t mode = 0) {
  int fd;
  do {
    fd = ::open(path, flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return FileDescriptor(fd);
}

int syncFile(int fd) {
  int result;
  do {
    result = ::fsync(fd);
  } while (result != 0 && errno == EINTR);
  return result;
}

// The rename lasts a crash only once the directory is on disk too. A directory this process
// may write but not read cannot be opened to flush, and some file systems cannot flush
// directories; the rename stands then.
void syncDirectory(const std::string& path) {
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  const std::string directory = parent.empty() ? std::string(".") : parent.string();
  const FileDescriptor folder = openFile(directory.c_str(), O_RDONLY | O_DIRECTORY);
  if (!folder) {
    if (errno == EACCES) return;
    fail(path, errno);
  }
  if (syncFile(folder.get()) != 0 && errno != EINVAL) fail(path, errno);
}

FileIdentity identityFrom(const struct stat& info) {
  FileIdentity id;
  id.device = static_cast<std::uint64_t>(info.st_dev);
  id.index = static_cast<std::uint64_t>(info.st_ino);
  id.size = static_cast<std::int64_t>(info.st_size);
  id.modified_seconds = static_cast<std::int64_t>(info.st_mtim.tv_sec);
  id.modified_nanoseconds = static_cast<std::int64_t>(info.st_mtim.tv_nsec);
  id.read_only = (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
  return id;
}

std::string resolvedPath(const std::string& path) {
  const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                             &std::free);
  return resolved ? std::string(resolved.get()) : path;
}

}  // namespace

bool PosixFileSystem::canOpenForReading(const std::string& path) const {
  if (path.empty() || path.find('\0') != std::string::npos) return false;
  // Non-blocking so that a FIFO answers at once instead of waiting for a writer.
  const FileDescriptor file = openFile(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY);
  struct stat info {};
  return file && ::fstat(file.get(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string PosixFileSystem::readFile(const std::string& path) const {
  const FileDescriptor file = openFile(systemPath(path), O_RDONLY | O_NOCTTY);
  if (!file) fail(path, errno);
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) fail(path, errno);
  std::string bytes;
  if (S_ISREG(info.st_mode)) bytes.reserve(static_cast<std::size_t>(info.st_size));
  if (const int error = readAll(file.get(), bytes); error != 0) fail(path, error);
  return bytes;
}

IdentifiedFile PosixFileSystem::readIdentifiedFile(const std::string& path) const {
  const FileDescriptor file = openFile(systemPath(path), O_RDONLY | O_NOCTTY);
  if (!file) fail(path, errno);
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) fail(path, errno);
  if (S_ISDIR(info.st_mode)) fail(path, EISDIR);
  if (!S_ISREG(info.st_mode)) {
    throw FileError(path + ": not a regular file", FileError::Cause::kNotRegularFile);
  }
  IdentifiedFile identified;
  identified.identity = identityFrom(info);
  identified.bytes.reserve(static_cast<std::size_t>(info.st_size));
  const auto size = static_cast<std::size_t>(info.st_size);
  if (const int error = readAll(file.get(), identified.bytes, size); error != 0) {
    fail(path, error);
  }
  identified.path = resolvedPath(path);
  return identified;
}

FileIdentity PosixFileSystem::identityOf(const std::string& path) const {
  struct stat info {};
  if (::stat(systemPath(path), &info) != 0) fail(path, errno);
  return identityFrom(info);
}

void PosixFileSystem::checkCanReplace(const std::string& path) const {
  if (identityOf(path).read_only) {
    throw FileError(path + ": " + std::strerror(EACCES), FileError::Cause::kReadOnlyFile);
  }
  if (::access(systemPath(path), W_OK) != 0) fail(path, errno);
}

void PosixFileSystem::removeFile(const std::string& path) {
  if (::unlink(systemPath(path)) != 0) fail(path, errno);
}

void PosixFileSystem::replaceFile(const std::string& path, std::string_view bytes) {
  if (path.empty()) fail(path, ENOENT);
  const char* target = systemPath(path);

  struct stat old {};
  const bool replacing = ::stat(target, &old) == 0;
  const mode_t mode = replacing ? (old.st_mode & 07777) : newFileMode();

  // What a kill -9 during an earlier save left behind goes before this save adds its own.
  removeStaleTemporaryFiles(path);
  TemporaryFile temporary(path);
  FileDescriptor& file = temporary.descriptor();

  if (const int error = writeAll(file.get(), bytes); error != 0) fail(path, error);
  if (::fchmod(file.get(), mode) != 0) fail(path, errno);
  // Only a privileged process can give the file back its owner; others keep their own.
  if (replacing && ::fchown(file.get(), old.st_uid, old.st_gid) != 0 && errno != EPERM) {
    fail(path, errno);
  }
  if (syncFile(file.get()) != 0) fail(path, errno);
  if (file.close() != 0) fail(path, errno);
  temporary.renameOver(path);

  syncDirectory(path);
}

void PosixFileSystem::writePrivateFile(const std::string& path, std::string_view bytes) {
  if (path.empty()) fail(path, ENOENT);
  TemporaryFile temporary(path);
  FileDescriptor& file = temporary.descriptor();
  if (::fchmod(file.get(), S_IRUSR | S_IWUSR) != 0) fail(path, errno);
  if (const int error = writeAll(file.get(), bytes); error != 0) fail(path, error);
  if (syncFile(file.get()) != 0) fail(path, errno);
  if (file.close() != 0) fail(path, errno);
  temporary.renameOver(path);
  syncDirectory(path);
}

void PosixFileSystem::createDirectories(const std::string& path) {
  std::error_code error;
  std::filesystem::create_directories(path, error);
  if (error) throw FileError(path + ": " + error.message());
}

bool PosixFileSystem::canWriteInDirectory(const std::string& directory) const {
  return ::access(directory.c_str(), W_OK) == 0;
}

}  // namespace norvel
