// window_probe.exe <class> <title>: what a Windows user sees of a window, read through window
// messages (the tests' eyes on the real norvel.exe). One line per control, in the window's stacking
// order:
//   id <TAB> class <TAB> enabled <TAB> visible <TAB> focused <TAB> text
// where text is a list box's or combo box's items joined by " | " with the selected one in [ ],
// and a check box's state as [x] or [ ] before its caption. A message box's class is #32770.
// Exit code 1 when no such window.
#include <windows.h>

#include <string>

#include "platform/win32/win32_text.h"

namespace {

using norvel::win32::utf8FromWide;
using norvel::win32::wideFromUtf8;

std::wstring textOf(HWND window) {
  const auto length = ::SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      ::SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
  return text;
}

std::wstring itemsOf(HWND window, bool list) {
  const UINT count_message = list ? LB_GETCOUNT : CB_GETCOUNT;
  const UINT length_message = list ? LB_GETTEXTLEN : CB_GETLBTEXTLEN;
  const UINT text_message = list ? LB_GETTEXT : CB_GETLBTEXT;
  const auto selected = ::SendMessageW(window, list ? LB_GETCURSEL : CB_GETCURSEL, 0, 0);
  const auto count = ::SendMessageW(window, count_message, 0, 0);
  std::wstring items;
  for (LRESULT i = 0; i < count; ++i) {
    std::wstring item(static_cast<std::size_t>(::SendMessageW(window, length_message, i, 0)) + 1,
                      L'\0');
    item.resize(static_cast<std::size_t>(
        ::SendMessageW(window, text_message, i, reinterpret_cast<LPARAM>(item.data()))));
    if (i > 0) items += L" | ";
    items += i == selected ? L"[" + item + L"]" : item;
  }
  return items;
}

struct Probe {
  HWND focus = nullptr;
  std::string out;
};

BOOL CALLBACK describe(HWND window, LPARAM data) {
  auto& probe = *reinterpret_cast<Probe*>(data);
  wchar_t class_name[64] = {};
  ::GetClassNameW(window, class_name, 64);
  const std::wstring kind = class_name;
  std::wstring text;
  if (_wcsicmp(class_name, L"ListBox") == 0) {
    text = itemsOf(window, true);
  } else if (_wcsicmp(class_name, L"ComboBox") == 0) {
    text = itemsOf(window, false);
  } else {
    text = textOf(window);
    const LONG style = ::GetWindowLongW(window, GWL_STYLE) & BS_TYPEMASK;
    if (_wcsicmp(class_name, L"Button") == 0 &&
        (style == BS_CHECKBOX || style == BS_AUTOCHECKBOX || style == BS_3STATE)) {
      text = (::SendMessageW(window, BM_GETCHECK, 0, 0) == BST_CHECKED ? L"[x] " : L"[ ] ") + text;
    }
  }
  for (wchar_t& c : text) {
    if (c == L'\r' || c == L'\n' || c == L'\t') c = L'␤';
  }
  probe.out += std::to_string(::GetDlgCtrlID(window)) + '\t' + utf8FromWide(kind) + '\t' +
               (::IsWindowEnabled(window) ? "enabled" : "disabled") + '\t' +
               (::IsWindowVisible(window) ? "visible" : "hidden") + '\t' +
               (window == probe.focus ? "focused" : "-") + '\t' + utf8FromWide(text) + '\n';
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  const HWND window = ::FindWindowW(argv[1], argv[2]);
  if (window == nullptr) return 1;
  Probe probe;
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info)) {
    probe.focus = info.hwndFocus;
  }
  probe.out = std::string("window\t") + (::IsWindowVisible(window) ? "visible" : "hidden") + '\t' +
              (::IsWindowEnabled(window) ? "enabled" : "disabled") + '\n';
  ::EnumChildWindows(window, &describe, reinterpret_cast<LPARAM>(&probe));
  DWORD written = 0;
  ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), probe.out.data(),
              static_cast<DWORD>(probe.out.size()), &written, nullptr);
  return 0;
}
