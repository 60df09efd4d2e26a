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

void HeadlessWindowSystem::showOpenDialog(OpenFileDialog& dialog) {
  if (!dialog_answers_.empty()) {
    dialog.file_name = std::move(dialog_answers_.front());
    dialog_answers_.pop_front();
  }
  dialogs_.push_back(dialog);
}

void HeadlessWindowSystem::processPendingEvents() {
  ++process_calls_;
  // Only what is pending now: events queued by these handlers wait for the next call.
  std::deque<std::function<void()>> now;
  now.swap(pending_);
  while (!now.empty()) {
    auto event = std::move(now.front());
    now.pop_front();
    if (form_ != nullptr && form_->terminated()) continue;
    event();
  }
}

void HeadlessWindowSystem::requestDropDown() {
  queueEvent([this] {
    if (form_ == nullptr) return;
    if (Control* focused = form_->focus()) focused->dropDown();
  });
}

}  // namespace norvel
