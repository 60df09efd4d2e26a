#include "control_text.h"

#include "platform/win32/win32_text.h"

namespace norvel::win32 {

std::wstring editText(std::string_view text) {
  const std::wstring wide = wideFromUtf8(text);
  std::wstring shown;
  shown.reserve(wide.size() + wide.size() / 16);
  for (std::size_t i = 0; i < wide.size(); ++i) {
    const wchar_t c = wide[i];
    if (c == L'\r') {
      shown += L"\r\n";
      if (i + 1 < wide.size() && wide[i + 1] == L'\n') ++i;
    } else if (c == L'\n') {
      shown += L"\r\n";
    } else {
      shown += c;
    }
  }
  return shown;
}

std::wstring openDialogFilter(std::string_view filter) {
  std::wstring result = wideFromUtf8(filter);
  for (wchar_t& c : result) {
    if (c == L'|') c = L'\0';
  }
  // One NUL ends the last pattern, the second the list.
  result.push_back(L'\0');
  result.push_back(L'\0');
  return result;
}

}  // namespace norvel::win32
