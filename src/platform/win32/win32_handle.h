#pragma once

#include <windows.h>

#include <utility>

namespace norvel::win32 {

// Owns one kernel handle (a file, a process); INVALID_HANDLE_VALUE and null both mean none.
class Handle {
 public:
  Handle() = default;
  explicit Handle(HANDLE handle) : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
  ~Handle() {
    if (handle_ != nullptr) ::CloseHandle(handle_);
  }
  Handle(Handle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  Handle& operator=(Handle&& other) noexcept {
    if (this != &other) {
      if (handle_ != nullptr) ::CloseHandle(handle_);
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

  HANDLE get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

  // Closes now and reports whether it worked; the handle is gone afterwards either way.
  bool close() { return ::CloseHandle(std::exchange(handle_, nullptr)) != 0; }

 private:
  HANDLE handle_ = nullptr;
};

}  // namespace norvel::win32
