#include "win32_window_system.h"

#include <commdlg.h>

#include <stdexcept>
#include <vector>

#include "control_text.h"
#include "platform/win32/win32_text.h"
#include "ui/twips.h"
#include "ui/window_model.h"

namespace norvel {

using win32::wideFromUtf8;

Win32WindowSystem::Win32WindowSystem()
    : wake_event_(::CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
  if (!wake_event_) {
    throw std::runtime_error("CreateEvent: " + win32::systemErrorText(::GetLastError()));
  }
}

void Win32WindowSystem::attach(Form& form, HWND window, std::function<bool(MSG&)> pre_translate) {
  form_ = &form;
  window_ = window;
  pre_translate_ = std::move(pre_translate);
}

HWND Win32WindowSystem::owner() const {
  return window_ != nullptr && ::IsWindowVisible(window_) ? window_ : nullptr;
}

void Win32WindowSystem::showMessageBox(const std::string& text, const std::string& caption,
                                       MessageIcon icon) {
  const UINT style = icon == MessageIcon::warning ? MB_ICONWARNING : MB_ICONINFORMATION;
  ::MessageBoxW(owner(), win32::editText(text).c_str(), wideFromUtf8(caption).c_str(),
                MB_OK | style);
}

MessageAnswer Win32WindowSystem::askQuestion(const std::string& text, const std::string& caption,
                                             MessageButtons buttons) {
  const UINT shown = buttons == MessageButtons::yesNoCancel ? MB_YESNOCANCEL : MB_YESNO;
  const int chosen = ::MessageBoxW(
      owner(), win32::editText(text).c_str(), wideFromUtf8(caption).c_str(),
      shown | MB_ICONQUESTION |
          (buttons == MessageButtons::yesNoDefaultNo ? MB_DEFBUTTON2 : MB_DEFBUTTON1));
  switch (chosen) {
    case IDYES:
      return MessageAnswer::yes;
    case IDCANCEL:
      return buttons == MessageButtons::yesNoCancel ? MessageAnswer::cancel : MessageAnswer::no;
    default:
      return MessageAnswer::no;
  }
}

void Win32WindowSystem::showOpenDialog(OpenFileDialog& dialog) {
  // Long paths (the manifest allows them) fit.
  std::vector<wchar_t> file(32768, L'\0');
  const std::wstring initial = wideFromUtf8(dialog.file_name);
  initial.copy(file.data(), std::min(initial.size(), file.size() - 1));
  const std::wstring filter = win32::openDialogFilter(dialog.filter);
  const std::wstring default_ext = wideFromUtf8(dialog.default_ext);
  const std::wstring init_dir = wideFromUtf8(dialog.init_dir);
  OPENFILENAMEW box{};
  box.lStructSize = sizeof box;
  box.hwndOwner = owner();
  box.lpstrFilter = dialog.filter.empty() ? nullptr : filter.c_str();
  box.nFilterIndex = 1;
  box.lpstrFile = file.data();
  box.nMaxFile = static_cast<DWORD>(file.size());
  box.lpstrInitialDir = init_dir.empty() ? nullptr : init_dir.c_str();
  box.lpstrTitle = L"ファイルを開く";
  box.lpstrDefExt = default_ext.empty() ? nullptr : default_ext.c_str();
  // The current directory stays where the program started: relative names keep their meaning.
  box.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY |
              OFN_NOCHANGEDIR | OFN_LONGNAMES;
  dialog.file_name.clear();
  if (::GetOpenFileNameW(&box)) dialog.file_name = win32::utf8FromWide(file.data());
}

void Win32WindowSystem::dispatch(MSG& message) {
  if (pre_translate_ && pre_translate_(message)) return;
  ::TranslateMessage(&message);
  ::DispatchMessageW(&message);
}

void Win32WindowSystem::processPendingEvents() {
  if (quit_seen_) return;
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // Kept for the loop that ends the program.
      quit_seen_ = true;
      exit_code_ = static_cast<int>(message.wParam);
      return;
    }
    dispatch(message);
  }
}

void Win32WindowSystem::waitForEvents() {
  if (quit_seen_) {
    // Nothing is delivered any more; the run that waits still needs its wake-ups.
    ::WaitForSingleObject(wake_event_.get(), INFINITE);
    return;
  }
  HANDLE wake = wake_event_.get();
  ::MsgWaitForMultipleObjectsEx(1, &wake, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  processPendingEvents();
}

void Win32WindowSystem::wake() {
  ::SetEvent(wake_event_.get());
}

void Win32WindowSystem::requestDropDown() {
  if (window_ != nullptr) ::PostMessageW(window_, kDropDownMessage, 0, 0);
}

ScreenSize Win32WindowSystem::screenSize() const {
  const HDC screen = ::GetDC(nullptr);
  const double dpi = screen != nullptr ? ::GetDeviceCaps(screen, LOGPIXELSX) : 96.0;
  if (screen != nullptr) ::ReleaseDC(nullptr, screen);
  return {pixelsToTwips(::GetSystemMetrics(SM_CXSCREEN), dpi),
          pixelsToTwips(::GetSystemMetrics(SM_CYSCREEN), dpi)};
}

void Win32WindowSystem::endProcess() {
  ended_ = true;
  if (window_ != nullptr) ::ShowWindow(window_, SW_HIDE);
  ::PostQuitMessage(0);
}

int Win32WindowSystem::run() {
  if (quit_seen_) return exit_code_;
  MSG message;
  for (;;) {
    const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(message.wParam);
    if (got == -1) return 1;
    dispatch(message);
  }
}

}  // namespace norvel
