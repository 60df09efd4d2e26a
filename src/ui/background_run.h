#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "platform/window_system.h"

namespace norvel {

// Work on a thread of its own while the window's thread goes on delivering window events. What
// the work has to show reaches the window as calls posted to the window's thread, run there in
// the order they were posted.
class BackgroundRun {
 public:
  explicit BackgroundRun(WindowSystem& windows) : windows_(windows) {}
  BackgroundRun(const BackgroundRun&) = delete;
  BackgroundRun& operator=(const BackgroundRun&) = delete;

  // On the window's thread: starts `work` on a new thread and, until it has returned and every
  // call it posted has run, runs the posted calls and delivers window events. Rethrows what the
  // work threw.
  void run(const std::function<void()>& work);

  // From the work: runs `call` on the window's thread. With `wait`, returns once it has run (the
  // work goes no further than the window has seen).
  void post(std::function<void()> call, bool wait = false);

 private:
  // Runs the calls posted so far; true when the work has ended and nothing is left.
  bool runPosted();

  WindowSystem& windows_;
  std::mutex mutex_;
  std::condition_variable done_;
  std::deque<std::function<void()>> calls_;  // guarded by mutex_
  unsigned long long posted_ = 0;            // guarded by mutex_
  unsigned long long completed_ = 0;         // guarded by mutex_
  bool finished_ = false;                    // guarded by mutex_
};

}  // namespace norvel
