#include <windows.h>

#include "platform/sqlite/sqlite_file.h"
#include "platform/win32/win32_handle.h"
#include "platform/win32/win32_text.h"

namespace norvel::sqlite {

std::optional<FileIdentity> identityOf(const std::string& path) {
  // No access rights asked: only the file's facts are read, whoever has it open.
  const win32::Handle file(::CreateFileW(
      win32::wideFromUtf8(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!file || !::GetFileInformationByHandle(file.get(), &info)) return std::nullopt;
  return FileIdentity{info.dwVolumeSerialNumber,
                      (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

std::string lastSystemErrorText() {
  return win32::systemErrorText(::GetLastError());
}

std::string systemErrorText(int error) {
  return win32::systemErrorText(static_cast<DWORD>(error));
}

bool hasNoWriteBits(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesW(win32::wideFromUtf8(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0 &&
         (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool isAbsolutePath(const std::string& path) {
  const auto separator = [](char c) { return c == '/' || c == '\\'; };
  if (!path.empty() && separator(path.front())) return true;
  const bool drive_letter = path.size() >= 3 && ((path[0] >= 'A' && path[0] <= 'Z') ||
                                                 (path[0] >= 'a' && path[0] <= 'z'));
  return drive_letter && path[1] == ':' && separator(path[2]);
}

}  // namespace norvel::sqlite
