#pragma once

#include <string>

namespace norvel {

enum class MessageIcon { warning, information, question };

// The buttons of a question box; the first is its default button, except in yesNoDefaultNo
// (for a question whose yes changes data: Enter must not say it by chance).
enum class MessageButtons { yesNo, yesNoCancel, yesNoDefaultNo };
// The button that closed a question box: Esc and the title bar's close answer no (or cancel,
// where the box has it).
enum class MessageAnswer { yes, no, cancel };

// The properties of the file-open dialog that the browse actions set and read.
struct OpenFileDialog {
  std::string file_name;  // stays empty when the user cancels
  std::string default_ext;
  std::string filter;  // "description|pattern|description|pattern…"
  std::string init_dir;
};

struct ScreenSize {
  double width_twips = 0;
  double height_twips = 0;
};

// What the window logic needs from the toolkit behind the window model. Control state lives in
// the model; these are the operations that are not control state.
class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  // Modal message box with one OK button; returns when it was closed.
  virtual void showMessageBox(const std::string& text, const std::string& caption,
                              MessageIcon icon) = 0;

  // Modal question box with はい, いいえ (and キャンセル); returns when it was answered.
  virtual MessageAnswer askQuestion(const std::string& text, const std::string& caption,
                                    MessageButtons buttons) = 0;

  // Modal file-open dialog; leaves file_name empty on cancel.
  virtual void showOpenDialog(OpenFileDialog& dialog) = 0;

  // Delivers the window events pending now; their handlers have run when this returns.
  virtual void processPendingEvents() = 0;

  // Opens the drop-down list of whichever control has the focus once the pending events are
  // delivered, as the F4 key does; does not wait for it. A control without a list ignores it.
  virtual void requestDropDown() = 0;

  // For a window thread that waits on work of another thread: waits until window events come or
  // wake() is called, and delivers the events pending then. A wake() that came since the last
  // wait ends the next one at once.
  virtual void waitForEvents() = 0;
  // Ends the window thread's waitForEvents(). Safe from any thread.
  virtual void wake() = 0;

  // The whole screen, not the work area.
  virtual ScreenSize screenSize() const = 0;

  // Ends the process at once. The model has already stopped delivering events; front ends that
  // must unwind (the headless one of the tests) may return from this.
  virtual void endProcess() = 0;
};

}  // namespace norvel
