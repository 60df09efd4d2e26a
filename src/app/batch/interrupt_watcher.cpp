#include "app/batch/interrupt_watcher.h"

#include <pthread.h>
#include <signal.h>

#include <system_error>

namespace norvel::batch {
namespace {

// SIGINT and SIGTERM, but not one the program was started with ignored (a background job of a
// shell, nohup): that one was meant to pass it by.
sigset_t stopSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (const int signal : {SIGINT, SIGTERM}) {
    struct sigaction action {};
    if (::sigaction(signal, nullptr, &action) == 0 && action.sa_handler == SIG_IGN) continue;
    sigaddset(&set, signal);
  }
  return set;
}

}  // namespace

InterruptWatcher::InterruptWatcher(std::function<void(int signal)> on_signal)
    : on_signal_(std::move(on_signal)) {
  set_ = stopSignals();
  if (sigisemptyset(&set_)) return;
  if (const int error = pthread_sigmask(SIG_BLOCK, &set_, nullptr); error != 0) {
    throw std::system_error(error, std::generic_category(), "pthread_sigmask");
  }
  thread_ = std::thread([this] { watch(); });
}

InterruptWatcher::~InterruptWatcher() {
  if (!thread_.joinable()) return;
  finished_ = true;
  // Wakes the watching thread; with finished_ set it stops whatever signal it takes.
  for (const int signal : {SIGINT, SIGTERM}) {
    if (sigismember(&set_, signal) == 1) {
      pthread_kill(thread_.native_handle(), signal);
      break;
    }
  }
  thread_.join();
}

void InterruptWatcher::watch() {
  for (;;) {
    int signal = 0;
    if (sigwait(&set_, &signal) != 0) continue;
    if (finished_) return;
    int none = 0;
    signal_.compare_exchange_strong(none, signal);
    stop_ = true;
    // Again on every signal: a statement begun after the first one is cut short too.
    on_signal_(signal_.load());
  }
}

}  // namespace norvel::batch
