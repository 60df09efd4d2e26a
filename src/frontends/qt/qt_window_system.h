#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include "platform/window_system.h"

namespace norvel {

class Form;

// The window system of the real window: Qt's message boxes and file dialog, its event loop and
// its screen.
class QtWindowSystem : public WindowSystem {
 public:
  QtWindowSystem() = default;

  // The form whose focused control receives the drop-down requests, and the window that owns the
  // dialogs and is hidden when the process ends.
  void attach(Form& form, QWidget* window = nullptr);

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

  bool ended() const { return ended_; }

 private:
  Form* form_ = nullptr;
  QPointer<QWidget> window_;
  // Owns the posted drop-down requests: none is delivered once this is gone.
  QObject requests_context_;
  // Lives in the window's thread: a call posted to it ends a wait for events from any thread.
  QObject wake_context_;
  bool ended_ = false;
};

}  // namespace norvel
