#include <windows.h>

#include <atomic>

#include "app/batch/interrupt_watcher.h"

namespace norvel::batch {
namespace {

// The console calls its handlers on a thread of its own; they find the watcher here.
std::atomic<InterruptWatcher*> current{nullptr};

}  // namespace

// Ctrl+C and Ctrl+Break count as SIGINT, closing the console window as SIGTERM. The handler
// stays registered once the watcher is gone and then swallows Ctrl+C, for the reason the
// header gives for the blocked signals.
InterruptWatcher::InterruptWatcher(std::function<void(int signal)> on_signal)
    : on_signal_(std::move(on_signal)) {
  current = this;
  ::SetConsoleCtrlHandler(
      [](DWORD event) -> BOOL {
        InterruptWatcher* watcher = current.load();
        if (watcher == nullptr) return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
        const int signal = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? SIGINT : SIGTERM;
        int none = 0;
        watcher->signal_.compare_exchange_strong(none, signal);
        watcher->stop_ = true;
        watcher->on_signal_(watcher->signal_.load());
        return TRUE;
      },
      TRUE);
}

InterruptWatcher::~InterruptWatcher() {
  current = nullptr;
}

void InterruptWatcher::watch() {}

}  // namespace norvel::batch
