#include <windows.h>

#include <atomic>

#include "app/batch/interrupt_watcher.h"

namespace norvel::batch {
namespace {

// The console calls its handlers on a thread of its own; they find the watcher here.
std::atomic<InterruptWatcher*> current{nullptr};

// WINAPI: a lambda converts only to the default calling convention, which is not the console's
// in a 32-bit program.
BOOL WINAPI onConsoleEvent(DWORD event) {
  InterruptWatcher* watcher = current.load();
  if (watcher == nullptr) return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
  watcher->deliver(event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? SIGINT : SIGTERM);
  return TRUE;
}

}  // namespace

// Ctrl+C and Ctrl+Break count as SIGINT, closing the console window as SIGTERM. The handler
// stays registered once the watcher is gone and then swallows Ctrl+C, for the reason the
// header gives for the blocked signals.
InterruptWatcher::InterruptWatcher(std::function<void(int signal)> on_signal)
    : on_signal_(std::move(on_signal)) {
  current = this;
  ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

void InterruptWatcher::deliver(int signal) {
  int none = 0;
  signal_.compare_exchange_strong(none, signal);
  stop_ = true;
  on_signal_(signal_.load());
}

InterruptWatcher::~InterruptWatcher() {
  current = nullptr;
}

void InterruptWatcher::watch() {}

}  // namespace norvel::batch
