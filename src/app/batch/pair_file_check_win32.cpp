#include <windows.h>

#include "app/batch/pair_file_check.h"
#include "platform/win32/win32_file.h"
#include "platform/win32/win32_text.h"

namespace norvel::batch {

std::optional<std::string> whyUnreadable(const std::string& path) {
  if (path.empty()) return std::string("the path is empty");
  const DWORD attributes = ::GetFileAttributesW(win32::wideFromUtf8(path).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return win32::systemErrorText(ERROR_DIRECTORY);
  }
  const win32::Handle file = win32::openForReading(path);
  if (!file) return win32::systemErrorText(::GetLastError());
  if (::GetFileType(file.get()) != FILE_TYPE_DISK) return std::string("not a regular file");
  return std::nullopt;
}

}  // namespace norvel::batch
