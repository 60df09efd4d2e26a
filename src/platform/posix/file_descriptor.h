#pragma once

#include <unistd.h>

#include <utility>

namespace norvel {

// Owns one open file descriptor.
class FileDescriptor {
 public:
  FileDescriptor() = default;
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }

  FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  FileDescriptor& operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
      if (fd_ >= 0) ::close(fd_);
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }

  // Closes now and reports the result, which for a written file can be the first sign of a
  // failed write-back. The descriptor is gone afterwards whatever the result.
  int close() { return ::close(std::exchange(fd_, -1)); }

 private:
  int fd_ = -1;
};

}  // namespace norvel
