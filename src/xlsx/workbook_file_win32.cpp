// The workbook file on Windows: the wide calls, so that Japanese names open on any system code
// page; the save goes through the platform's atomic replace (ReplaceFileW).
#include <windows.h>

#include <optional>

#include "platform/database.h"
#include "platform/win32/win32_file.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_handle.h"
#include "platform/win32/win32_text.h"
#include "xlsx/workbook_file.h"

namespace norvel::xlsx {
namespace {

[[noreturn]] void fail(DWORD error) {
  throw DatabaseError(win32::systemErrorText(error));
}

std::optional<FileIdentity> identityOf(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(file, &info)) return std::nullopt;
  FileIdentity id;
  id.device = info.dwVolumeSerialNumber;
  id.inode = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  id.size = static_cast<std::int64_t>((static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) |
                                      info.nFileSizeLow);
  // 100-nanosecond ticks.
  const std::uint64_t ticks =
      (static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
      info.ftLastWriteTime.dwLowDateTime;
  id.modified.tv_sec = static_cast<time_t>(ticks / 10000000);
  id.modified.tv_nsec = static_cast<long>((ticks % 10000000) * 100);
  id.mode = info.dwFileAttributes;
  return id;
}

FileIdentity identityOfPath(const std::string& path) {
  const win32::Handle file = win32::openForReading(path);
  if (!file) fail(::GetLastError());
  const std::optional<FileIdentity> id = identityOf(file.get());
  if (!id) fail(::GetLastError());
  return *id;
}

bool sameFile(const FileIdentity& a, const FileIdentity& b) {
  return a.device == b.device && a.inode == b.inode && a.size == b.size &&
         a.modified.tv_sec == b.modified.tv_sec && a.modified.tv_nsec == b.modified.tv_nsec;
}

// The final path of an open file, links resolved, without the "\\?\" that GetFinalPathNameByHandleW
// puts in front.
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

}  // namespace

LoadedFile loadFile(const std::string& path) {
  LoadedFile file;
  const DWORD attributes = ::GetFileAttributesW(win32::wideFromUtf8(path).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    fail(ERROR_DIRECTORY);
  }
  // Opened for reading only: a missing workbook must not be created.
  const win32::Handle handle = win32::openForReading(path);
  if (!handle) fail(::GetLastError());
  if (::GetFileType(handle.get()) != FILE_TYPE_DISK)
    throw DatabaseError("通常のファイルではありません");
  const std::optional<FileIdentity> id = identityOf(handle.get());
  if (!id) fail(::GetLastError());
  file.identity = *id;
  file.bytes.reserve(static_cast<std::size_t>(id->size));
  if (const DWORD error = win32::readAll(handle.get(), file.bytes, id->size); error != 0) {
    fail(error);
  }
  file.path = finalPath(handle.get(), path);
  return file;
}

FileIdentity replaceFile(const std::string& path, const std::string& bytes,
                         const FileIdentity& expected) {
  const FileIdentity current = identityOfPath(path);
  if (!sameFile(current, expected)) {
    throw DatabaseError("開いた後にほかのプログラムがファイルを変更しました");
  }
  if ((current.mode & FILE_ATTRIBUTE_READONLY) != 0) {
    throw DatabaseError(win32::systemErrorText(ERROR_ACCESS_DENIED) +
                        "（ファイルは読み取り専用です）");
  }
  try {
    Win32FileSystem().replaceFile(path, bytes);
  } catch (const FileError& error) {
    // The caller names the workbook; keep the system's reason only.
    std::string reason = error.what();
    if (reason.rfind(path + ": ", 0) == 0) reason.erase(0, path.size() + 2);
    throw DatabaseError(reason);
  }
  return identityOfPath(path);
}

}  // namespace norvel::xlsx
