#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/window_system.h"

namespace norvel {

class Form;

// A window system without a screen: the front end of the tests and benchmarks. Message
// boxes are recorded (and answered OK at once), the file-open dialog returns scripted answers,
// and user events queued by the driver are delivered by processPendingEvents().
class HeadlessWindowSystem : public WindowSystem {
 public:
  struct Message {
    std::string text;
    std::string caption;
    MessageIcon icon;
  };

  HeadlessWindowSystem();

  // The form whose focused control receives the drop-down requests.
  void attach(Form& form) { form_ = &form; }

  void showMessageBox(const std::string& text, const std::string& caption,
                      MessageIcon icon) override;
  void showOpenDialog(OpenFileDialog& dialog) override;
  void processPendingEvents() override;
  void requestDropDown() override;
  ScreenSize screenSize() const override { return screen_; }
  void endProcess() override { ended_ = true; }

  // Driver side.
  void queueEvent(std::function<void()> event) { pending_.push_back(std::move(event)); }
  bool hasPendingEvents() const { return !pending_.empty(); }
  // Answers of the next file-open dialogs, in order; an empty answer is a cancel.
  void answerOpenDialog(std::string file_name) { dialog_answers_.push_back(std::move(file_name)); }
  void setScreenSize(ScreenSize screen) { screen_ = screen; }
  // Called for every message box, as it is shown.
  void onMessage(std::function<void(const Message&)> sink) { sink_ = std::move(sink); }

  const std::vector<Message>& messages() const { return messages_; }
  void clearMessages() { messages_.clear(); }
  const std::vector<OpenFileDialog>& dialogsShown() const { return dialogs_; }
  bool ended() const { return ended_; }
  int processCalls() const { return process_calls_; }

 private:
  Form* form_ = nullptr;
  std::deque<std::function<void()>> pending_;
  std::deque<std::string> dialog_answers_;
  std::vector<Message> messages_;
  std::vector<OpenFileDialog> dialogs_;
  std::function<void(const Message&)> sink_;
  ScreenSize screen_;
  bool ended_ = false;
  int process_calls_ = 0;
};

}  // namespace norvel
