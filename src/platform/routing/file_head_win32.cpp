#include <windows.h>

#include "platform/routing/file_head.h"
#include "platform/win32/win32_file.h"
#include "platform/win32/win32_text.h"

namespace norvel::routing {

FileHead readFileHead(const std::string& path, std::size_t limit) {
  FileHead head;
  const DWORD attributes = ::GetFileAttributesW(win32::wideFromUtf8(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND &&
        error != ERROR_INVALID_NAME) {
      head.error = win32::systemErrorText(error);
    }
    return head;
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    head.type = FileHead::Type::kDirectory;
    return head;
  }
  const win32::Handle file = win32::openForReading(path);
  if (!file) {
    head.type = FileHead::Type::kRegular;
    head.error = win32::systemErrorText(::GetLastError());
    return head;
  }
  if (::GetFileType(file.get()) != FILE_TYPE_DISK) {
    head.type = FileHead::Type::kOther;
    return head;
  }
  head.type = FileHead::Type::kRegular;
  if (const DWORD error = win32::readAll(file.get(), head.bytes, limit); error != 0) {
    head.error = win32::systemErrorText(error);
  }
  return head;
}

}  // namespace norvel::routing
