#include "ui/background_run.h"

#include <exception>
#include <thread>

namespace norvel {

void BackgroundRun::run(const std::function<void()>& work) {
  std::exception_ptr failure;
  std::thread worker([&] {
    try {
      work();
    } catch (...) {
      failure = std::current_exception();
    }
    {
      const std::lock_guard lock(mutex_);
      finished_ = true;
    }
    windows_.wake();
  });
  try {
    while (!runPosted()) windows_.waitForEvents();
  } catch (...) {
    // A posted call threw: the work must not wait for the window any more.
    {
      const std::lock_guard lock(mutex_);
      completed_ = ~0ULL;
    }
    done_.notify_all();
    worker.join();
    throw;
  }
  worker.join();
  if (failure) std::rethrow_exception(failure);
}

void BackgroundRun::post(std::function<void()> call, bool wait) {
  unsigned long long number = 0;
  {
    const std::lock_guard lock(mutex_);
    calls_.push_back(std::move(call));
    number = ++posted_;
  }
  windows_.wake();
  if (!wait) return;
  std::unique_lock lock(mutex_);
  done_.wait(lock, [&] { return completed_ >= number; });
}

bool BackgroundRun::runPosted() {
  for (;;) {
    std::function<void()> call;
    {
      const std::lock_guard lock(mutex_);
      if (calls_.empty()) return finished_;
      call = std::move(calls_.front());
      calls_.pop_front();
    }
    call();
    {
      const std::lock_guard lock(mutex_);
      ++completed_;
    }
    done_.notify_all();
  }
}

}  // namespace norvel
