#include "platform/win32/win32_console.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <clocale>
#include <cstdio>

#include "platform/win32/win32_console_code_pages.h"
#include "platform/win32/win32_handle.h"
#include "platform/win32/win32_text.h"

namespace norvel {
namespace {

// Echo off for as long as the object lives; the console's mode comes back on every path.
class EchoOff {
 public:
  explicit EchoOff(HANDLE input) : input_(input) {
    if (!::GetConsoleMode(input_, &saved_)) return;
    active_ = ::SetConsoleMode(input_, (saved_ & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) |
                                           ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT) != 0;
  }
  ~EchoOff() {
    if (active_) ::SetConsoleMode(input_, saved_);
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;

 private:
  HANDLE input_;
  DWORD saved_ = 0;
  bool active_ = false;
};

void writeConsole(HANDLE output, const std::string& text) {
  const std::wstring wide = win32::wideFromUtf8(text);
  DWORD written = 0;
  ::WriteConsoleW(output, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
}

}  // namespace

bool useUtf8Locale() {
  std::setlocale(LC_ALL, "");
  win32::keepConsoleCodePages();
  ::SetConsoleOutputCP(CP_UTF8);
  ::SetConsoleCP(CP_UTF8);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  return true;
}

namespace win32 {

bool isConsole(unsigned long standard_handle) {
  DWORD mode = 0;
  return ::GetConsoleMode(::GetStdHandle(standard_handle), &mode) != 0;
}

std::optional<std::string> readHiddenLine(const std::string& prompt) {
  // The console itself, so that a password is never read from a redirected input.
  const Handle input(::CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                   nullptr, OPEN_EXISTING, 0, nullptr));
  const Handle output(::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
  DWORD mode = 0;
  if (!input || !output || !::GetConsoleMode(input.get(), &mode)) return std::nullopt;

  std::wstring line;
  bool ended = false;
  {
    EchoOff echo_off(input.get());
    writeConsole(output.get(), prompt);
    for (;;) {
      wchar_t c = 0;
      DWORD count = 0;
      if (!::ReadConsoleW(input.get(), &c, 1, &count, nullptr) || count == 0) {
        ended = true;
        break;
      }
      if (c == L'\r') continue;
      if (c == L'\n' || c == L'\x1A') {
        ended = c == L'\x1A';
        break;
      }
      line.push_back(c);
    }
  }
  // The Enter that ended the line was not echoed either.
  writeConsole(output.get(), "\r\n");
  if (ended && line.empty()) return std::nullopt;
  return utf8FromWide(line);
}

}  // namespace win32
}  // namespace norvel
