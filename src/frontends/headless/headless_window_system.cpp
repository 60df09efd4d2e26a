#include "frontends/headless/headless_window_system.h"

#include "ui/window_model.h"

namespace norvel {

// 1920 × 1080 pixels at 96 dots per inch.
HeadlessWindowSystem::HeadlessWindowSystem() : screen_{28800, 16200} {}

void HeadlessWindowSystem::showMessageBox(const std::string& text, const std::string& caption,
                                          MessageIcon icon) {
  messages_.push_back({text, caption, icon});
  if (sink_) sink_(messages_.back());
}

MessageAnswer HeadlessWindowSystem::askQuestion(const std::string& text, const std::string& caption,
                                                MessageButtons buttons) {
  MessageAnswer answer =
      buttons == MessageButtons::yesNoDefaultNo ? MessageAnswer::no : MessageAnswer::yes;
  if (!question_answers_.empty()) {
    answer = question_answers_.front();
    question_answers_.pop_front();
  }
  messages_.push_back({text, caption, MessageIcon::question, answer, buttons});
  if (sink_) sink_(messages_.back());
  return answer;
}

void HeadlessWindowSystem::showOpenDialog(OpenFileDialog& dialog) {
  if (!dialog_answers_.empty()) {
    dialog.file_name = std::move(dialog_answers_.front());
    dialog_answers_.pop_front();
  }
  dialogs_.push_back(dialog);
}

void HeadlessWindowSystem::queueEvent(std::function<void()> event) {
  {
    const std::lock_guard lock(mutex_);
    pending_.push_back(std::move(event));
  }
  arrived_.notify_all();
}

void HeadlessWindowSystem::queueEventWhen(std::function<bool()> ready,
                                          std::function<void()> event) {
  waiting_.push_back({std::move(ready), std::move(event)});
}

bool HeadlessWindowSystem::hasPendingEvents() const {
  const std::lock_guard lock(mutex_);
  return !pending_.empty();
}

void HeadlessWindowSystem::processPendingEvents() {
  ++process_calls_;
  // Only what is pending now: events queued by these handlers wait for the next call.
  std::deque<std::function<void()>> now;
  {
    const std::lock_guard lock(mutex_);
    now.swap(pending_);
  }
  for (auto it = waiting_.begin(); it != waiting_.end();) {
    if (it->ready()) {
      now.push_back(std::move(it->event));
      it = waiting_.erase(it);
    } else {
      ++it;
    }
  }
  while (!now.empty()) {
    auto event = std::move(now.front());
    now.pop_front();
    if (form_ != nullptr && form_->terminated()) continue;
    event();
  }
}

void HeadlessWindowSystem::waitForEvents() {
  {
    std::unique_lock lock(mutex_);
    arrived_.wait(lock, [this] { return woken_ || !pending_.empty(); });
    woken_ = false;
  }
  processPendingEvents();
}

void HeadlessWindowSystem::wake() {
  {
    const std::lock_guard lock(mutex_);
    woken_ = true;
  }
  arrived_.notify_all();
}

void HeadlessWindowSystem::requestDropDown() {
  queueEvent([this] {
    if (form_ == nullptr) return;
    if (Control* focused = form_->focus()) focused->dropDown();
  });
}

}  // namespace norvel
