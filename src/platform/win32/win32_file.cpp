#include "platform/win32/win32_file.h"

#include <algorithm>
#include <array>

#include "platform/win32/win32_text.h"

namespace norvel::win32 {

Handle openForReading(const std::string& path) {
  return Handle(::CreateFileW(wideFromUtf8(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

DWORD readAll(HANDLE file, std::string& bytes, std::size_t limit) {
  std::array<char, 65536> chunk;
  std::size_t done = 0;
  while (done < limit) {
    DWORD count = 0;
    const auto wanted = static_cast<DWORD>(std::min(chunk.size(), limit - done));
    if (!::ReadFile(file, chunk.data(), wanted, &count, nullptr)) {
      const DWORD error = ::GetLastError();
      return error == ERROR_BROKEN_PIPE ? 0 : error;
    }
    if (count == 0) break;
    bytes.append(chunk.data(), count);
    done += count;
  }
  return 0;
}

DWORD writeAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD written = 0;
    const auto wanted = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
    if (!::WriteFile(file, bytes.data(), wanted, &written, nullptr)) return ::GetLastError();
    if (written == 0) return ERROR_DISK_FULL;
    bytes.remove_prefix(written);
  }
  return 0;
}

}  // namespace norvel::win32
