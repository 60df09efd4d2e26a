#include "platform/win32/win32_file_system.h"

#include <windows.h>

#include <atomic>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/win32/win32_file.h"
#include "platform/win32/win32_handle.h"
#include "platform/win32/win32_text.h"

namespace norvel {
namespace {

using win32::Handle;
using win32::wideFromUtf8;

[[noreturn]] void fail(const std::string& path, DWORD error) {
  throw FileError(path + ": " + win32::systemErrorText(error));
}

// A path with a NUL byte would silently name a different file.
std::wstring systemPath(const std::string& path) {
  if (path.find('\0') != std::string::npos) fail(path, ERROR_INVALID_NAME);
  return wideFromUtf8(path);
}

bool isDirectory(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::optional<FileIdentity> identityFrom(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(file, &info)) return std::nullopt;
  FileIdentity id;
  id.device = info.dwVolumeSerialNumber;
  id.index = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  id.size = static_cast<std::int64_t>((static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) |
                                      info.nFileSizeLow);
  // 100-nanosecond ticks.
  const std::uint64_t ticks =
      (static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
      info.ftLastWriteTime.dwLowDateTime;
  id.modified_seconds = static_cast<std::int64_t>(ticks / 10000000);
  id.modified_nanoseconds = static_cast<std::int64_t>((ticks % 10000000) * 100);
  id.read_only = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
  return id;
}

// The final path of an open file, links resolved, without the "\\?\" that
// GetFinalPathNameByHandleW puts in front.
std::string finalPath(HANDLE file, const std::string& fallback) {
  std::wstring buffer(MAX_PATH, L'\0');
  DWORD length = ::GetFinalPathNameByHandleW(file, buffer.data(), buffer.size(), 0);
  if (length >= buffer.size()) {
    buffer.resize(length + 1);
    length = ::GetFinalPathNameByHandleW(file, buffer.data(), buffer.size(), 0);
  }
  if (length == 0 || length >= buffer.size()) return fallback;
  buffer.resize(length);
  if (buffer.rfind(L"\\\\?\\UNC\\", 0) == 0) {
    buffer.replace(0, 8, L"\\\\");
  } else if (buffer.rfind(L"\\\\?\\", 0) == 0) {
    buffer.erase(0, 4);
  }
  return win32::utf8FromWide(buffer);
}

// A new file beside the target, removed again unless it was put in the target's place.
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::string& target) {
    static std::atomic<unsigned> counter{0};
    const std::wstring base =
        wideFromUtf8(target) + L".norvel-" + std::to_wstring(::GetCurrentProcessId()) + L"-";
    for (int attempt = 0; attempt < 100; ++attempt) {
      path_ = base + std::to_wstring(counter++);
      file_ = Handle(::CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
      if (file_ || ::GetLastError() != ERROR_FILE_EXISTS) break;
    }
    if (!file_) fail(target, ::GetLastError());
  }
  ~TemporaryFile() {
    if (kept_) return;
    if (file_) file_.close();
    ::DeleteFileW(path_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  Handle& handle() { return file_; }
  const std::wstring& path() const { return path_; }
  void keep() { kept_ = true; }

 private:
  std::wstring path_;
  Handle file_;
  bool kept_ = false;
};

}  // namespace

bool Win32FileSystem::canOpenForReading(const std::string& path) const {
  if (path.empty() || path.find('\0') != std::string::npos) return false;
  const Handle file = win32::openForReading(path);
  return file && ::GetFileType(file.get()) == FILE_TYPE_DISK;
}

std::string Win32FileSystem::readFile(const std::string& path) const {
  systemPath(path);
  const Handle file = win32::openForReading(path);
  if (!file) {
    const DWORD error = ::GetLastError();
    // Opening a folder fails with "access denied"; saying what it is helps more.
    if (error == ERROR_ACCESS_DENIED && isDirectory(wideFromUtf8(path))) {
      fail(path, ERROR_DIRECTORY);
    }
    fail(path, error);
  }
  std::string bytes;
  LARGE_INTEGER size{};
  if (::GetFileSizeEx(file.get(), &size)) bytes.reserve(static_cast<std::size_t>(size.QuadPart));
  if (const DWORD error = win32::readAll(file.get(), bytes); error != 0) fail(path, error);
  return bytes;
}

IdentifiedFile Win32FileSystem::readIdentifiedFile(const std::string& path) const {
  if (isDirectory(systemPath(path))) fail(path, ERROR_DIRECTORY);
  // Opened for reading only: a missing file is not created.
  const Handle file = win32::openForReading(path);
  if (!file) fail(path, ::GetLastError());
  if (::GetFileType(file.get()) != FILE_TYPE_DISK) {
    throw FileError(path + ": not a regular file", FileError::Cause::kNotRegularFile);
  }
  const std::optional<FileIdentity> id = identityFrom(file.get());
  if (!id) fail(path, ::GetLastError());
  IdentifiedFile identified;
  identified.identity = *id;
  identified.bytes.reserve(static_cast<std::size_t>(id->size));
  if (const DWORD error =
          win32::readAll(file.get(), identified.bytes, static_cast<std::size_t>(id->size));
      error != 0) {
    fail(path, error);
  }
  identified.path = finalPath(file.get(), path);
  return identified;
}

FileIdentity Win32FileSystem::identityOf(const std::string& path) const {
  systemPath(path);
  const Handle file = win32::openForReading(path);
  if (!file) fail(path, ::GetLastError());
  const std::optional<FileIdentity> id = identityFrom(file.get());
  if (!id) fail(path, ::GetLastError());
  return *id;
}

void Win32FileSystem::checkCanReplace(const std::string& path) const {
  if (identityOf(path).read_only) {
    throw FileError(path + ": " + win32::systemErrorText(ERROR_ACCESS_DENIED),
                    FileError::Cause::kReadOnlyFile);
  }
}

void Win32FileSystem::removeFile(const std::string& path) {
  if (!::DeleteFileW(systemPath(path).c_str())) fail(path, ::GetLastError());
}

void Win32FileSystem::createDirectories(const std::string& path) {
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(systemPath(path)), error);
  if (error) fail(path, static_cast<DWORD>(error.value()));
}

bool Win32FileSystem::canWriteInDirectory(const std::string& directory) const {
  const std::wstring probe = wideFromUtf8(directory.empty() ? "." : directory) +
                             L"\\.norvel-probe-" + std::to_wstring(::GetCurrentProcessId());
  const Handle file(::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  return static_cast<bool>(file);
}

void Win32FileSystem::replaceFile(const std::string& path, std::string_view bytes) {
  if (path.empty()) fail(path, ERROR_PATH_NOT_FOUND);
  const std::wstring target = systemPath(path);
  // Refused before anything is written: Wine's ReplaceFileW would move a folder of that name
  // aside and put the file in its place.
  if (isDirectory(target)) fail(path, ERROR_DIRECTORY);

  TemporaryFile temporary(path);
  if (const DWORD error = win32::writeAll(temporary.handle().get(), bytes); error != 0) {
    fail(path, error);
  }
  if (!::FlushFileBuffers(temporary.handle().get())) fail(path, ::GetLastError());
  if (!temporary.handle().close()) fail(path, ::GetLastError());

  const bool replacing = ::GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES;
  const bool moved = replacing
                         ? ::ReplaceFileW(target.c_str(), temporary.path().c_str(), nullptr,
                                          REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != 0
                         : ::MoveFileExW(temporary.path().c_str(), target.c_str(),
                                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  if (!moved) fail(path, ::GetLastError());
  temporary.keep();
}

}  // namespace norvel
