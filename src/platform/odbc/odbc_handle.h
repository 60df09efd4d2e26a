#pragma once

#include "platform/odbc/odbc_sql.h"

#include <utility>

namespace norvel::odbc {

// Owns one ODBC handle and frees it. A connection handle must be disconnected before it is
// freed; the connection class does that.
template <SQLSMALLINT Type>
class Handle {
 public:
  Handle() = default;
  explicit Handle(SQLHANDLE handle) : handle_(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  Handle(Handle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  Handle& operator=(Handle&& other) noexcept {
    if (this != &other) {
      reset();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  ~Handle() { reset(); }

  SQLHANDLE get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

  void reset() {
    if (handle_ != nullptr) SQLFreeHandle(Type, handle_);
    handle_ = nullptr;
  }

 private:
  SQLHANDLE handle_ = nullptr;
};

using EnvHandle = Handle<SQL_HANDLE_ENV>;
using DbcHandle = Handle<SQL_HANDLE_DBC>;
using StmtHandle = Handle<SQL_HANDLE_STMT>;

}  // namespace norvel::odbc
