#pragma once

#include <signal.h>

#include <atomic>
#include <functional>
#include <thread>

namespace norvel::batch {

// Turns Ctrl+C (SIGINT) and SIGTERM into a request to stop, for as long as it lives: the
// signals are blocked in the calling thread (and so in every thread it starts later) and taken
// by a thread of its own with sigwait, which sets the stop flag and calls on_signal with the
// signal that first asked to stop (to cut a running statement short, or to end the program
// where nothing is left to undo). A signal the program was started with ignored stays ignored.
// Create it in the main thread before any other thread it must cover.
//
// The signals stay blocked after it is gone: one that comes once the run is over must not end
// the program between its outcome and the report of it. Handlers installed for them (the
// temporary files' cleanup) are not called while they are blocked; the run's own way out removes
// those files.
class InterruptWatcher {
 public:
  explicit InterruptWatcher(std::function<void(int signal)> on_signal);
  ~InterruptWatcher();
  InterruptWatcher(const InterruptWatcher&) = delete;
  InterruptWatcher& operator=(const InterruptWatcher&) = delete;

  const std::atomic<bool>& stop() const { return stop_; }
  // The signal that asked to stop, or 0.
  int signal() const { return signal_.load(); }

  // Asks to stop for a reason that is no signal (stdout's reader is gone); signal() stays 0.
  // From the thread that runs the statements, between them: none is running to cut short.
  void requestStop() { stop_ = true; }

#if defined(_WIN32)
  // What the console's handler does with an event it was given: the first signal asks to stop.
  void deliver(int signal);
#endif

 private:
  void watch();

  std::function<void(int signal)> on_signal_;
#if !defined(_WIN32)
  sigset_t set_{};  // the signals watched (the console's handler stands in for them on Windows)
#endif
  std::atomic<bool> stop_{false};
  std::atomic<int> signal_{0};
  std::atomic<bool> finished_{false};
  std::thread thread_;
};

}  // namespace norvel::batch
