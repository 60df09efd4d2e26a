#pragma once

#include <windows.h>

#include <functional>

#include "platform/win32/win32_handle.h"
#include "platform/window_system.h"

namespace norvel {

class Form;

// The window system of the Win32 window: MessageBoxW, the common open dialog, the thread's
// message queue and the screen.
class Win32WindowSystem : public WindowSystem {
 public:
  // Posted to the window for requestDropDown(); the window opens the focused control's list.
  static constexpr UINT kDropDownMessage = WM_APP + 1;

  Win32WindowSystem();

  // The form whose focused control receives the drop-down requests, the window that owns the
  // dialogs, and what the window does with a message before it is dispatched (its keyboard):
  // true when the message was used.
  void attach(Form& form, HWND window, std::function<bool(MSG&)> pre_translate);

  void showMessageBox(const std::string& text, const std::string& caption,
                      MessageIcon icon) override;
  MessageAnswer askQuestion(const std::string& text, const std::string& caption,
                            MessageButtons buttons) override;
  void showOpenDialog(OpenFileDialog& dialog) override;
  void processPendingEvents() override;
  void requestDropDown() override;
  void waitForEvents() override;
  void wake() override;
  ScreenSize screenSize() const override;
  void endProcess() override;

  // The message loop until the process ends; its exit code.
  int run();
  bool ended() const { return ended_; }

 private:
  void dispatch(MSG& message);
  // An owner for a dialog: the window while it is on screen (a hidden owner hides the box too).
  HWND owner() const;

  Form* form_ = nullptr;
  HWND window_ = nullptr;
  std::function<bool(MSG&)> pre_translate_;
  // Auto-reset: set by wake(), ends one wait.
  win32::Handle wake_event_;
  bool ended_ = false;
  bool quit_seen_ = false;
  int exit_code_ = 0;
};

}  // namespace norvel
