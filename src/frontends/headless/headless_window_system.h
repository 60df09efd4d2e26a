#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/window_system.h"

namespace norvel {

class Form;

// A window system without a screen: the front end of the tests and benchmarks. Message
// boxes are recorded (and answered OK at once), question boxes take scripted answers, the
// file-open dialog returns scripted answers, and user events queued by the driver are delivered
// by processPendingEvents(). The driver may queue events from any thread.
class HeadlessWindowSystem : public WindowSystem {
 public:
  struct Message {
    std::string text;
    std::string caption;
    MessageIcon icon;
    // The answer a question box was given; yes for a message box.
    MessageAnswer answer = MessageAnswer::yes;
    // A question box's buttons.
    MessageButtons buttons = MessageButtons::yesNo;
  };

  HeadlessWindowSystem();

  // The form whose focused control receives the drop-down requests.
  void attach(Form& form) { form_ = &form; }

  void showMessageBox(const std::string& text, const std::string& caption,
                      MessageIcon icon) override;
  MessageAnswer askQuestion(const std::string& text, const std::string& caption,
                            MessageButtons buttons) override;
  void showOpenDialog(OpenFileDialog& dialog) override;
  void processPendingEvents() override;
  void requestDropDown() override;
  void waitForEvents() override;
  void wake() override;
  ScreenSize screenSize() const override { return screen_; }
  void endProcess() override { ended_ = true; }

  // Driver side.
  void queueEvent(std::function<void()> event);
  // Delivered by the first processPendingEvents() at which `ready` holds (asked on the window's
  // thread); until then it keeps no wait from blocking.
  void queueEventWhen(std::function<bool()> ready, std::function<void()> event);
  bool hasPendingEvents() const;
  // Answers of the next question boxes, in order; without one a box takes its default button.
  void answerQuestion(MessageAnswer answer) { question_answers_.push_back(answer); }
  // Answers of the next file-open dialogs, in order; an empty answer is a cancel.
  void answerOpenDialog(std::string file_name) { dialog_answers_.push_back(std::move(file_name)); }
  void setScreenSize(ScreenSize screen) { screen_ = screen; }
  // Called for every message and question box, as it is shown.
  void onMessage(std::function<void(const Message&)> sink) { sink_ = std::move(sink); }

  const std::vector<Message>& messages() const { return messages_; }
  void clearMessages() { messages_.clear(); }
  const std::vector<OpenFileDialog>& dialogsShown() const { return dialogs_; }
  bool ended() const { return ended_; }
  int processCalls() const { return process_calls_; }

 private:
  struct Waiting {
    std::function<bool()> ready;
    std::function<void()> event;
  };

  Form* form_ = nullptr;
  mutable std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<std::function<void()>> pending_;  // guarded by mutex_
  bool woken_ = false;                         // guarded by mutex_
  std::vector<Waiting> waiting_;
  std::deque<MessageAnswer> question_answers_;
  std::deque<std::string> dialog_answers_;
  std::vector<Message> messages_;
  std::vector<OpenFileDialog> dialogs_;
  std::function<void(const Message&)> sink_;
  ScreenSize screen_;
  bool ended_ = false;
  int process_calls_ = 0;
};

}  // namespace norvel
