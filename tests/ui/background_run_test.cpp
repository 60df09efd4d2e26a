#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "frontends/headless/headless_window_system.h"
#include "ui/background_run.h"

namespace norvel {
namespace {

// The work's calls run on the window's thread in the order posted, window events are delivered
// while the work goes on, and a call posted with wait has run when post returns.
TEST(BackgroundRun, PostedCallsRunOnTheWindowsThreadInOrder) {
  HeadlessWindowSystem windows;
  BackgroundRun background(windows);
  const std::thread::id window_thread = std::this_thread::get_id();
  std::vector<int> order;
  bool all_on_window_thread = true;
  std::atomic<bool> event_delivered = false;
  bool seen_by_the_work = false;
  background.run([&] {
    for (int i = 0; i < 100; ++i) {
      background.post([&, i] {
        all_on_window_thread = all_on_window_thread && std::this_thread::get_id() == window_thread;
        order.push_back(i);
      });
    }
    windows.queueEvent([&] { event_delivered = true; });
    background.post([] {}, true);
    // The window has run everything posted before the wait.
    seen_by_the_work = order.size() == 100;
    // The window's own events are delivered while the work goes on: the window takes them
    // between posted calls, so the wait above may come first.
    for (int i = 0; i < 1000 && !event_delivered; ++i) background.post([] {}, true);
  });
  EXPECT_TRUE(all_on_window_thread);
  ASSERT_EQ(order.size(), 100u);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(order[static_cast<std::size_t>(i)], i);
  EXPECT_TRUE(event_delivered);
  EXPECT_TRUE(seen_by_the_work);
}

TEST(BackgroundRun, WhatTheWorkThrowsReachesTheWindowsThread) {
  HeadlessWindowSystem windows;
  BackgroundRun background(windows);
  int ran = 0;
  EXPECT_THROW(background.run([&] {
    background.post([&] { ++ran; });
    throw std::runtime_error("lost");
  }),
               std::runtime_error);
  EXPECT_EQ(ran, 1);
}

TEST(BackgroundRun, ACallThatThrowsEndsTheRunWithoutLeavingTheWorkWaiting) {
  HeadlessWindowSystem windows;
  BackgroundRun background(windows);
  bool work_went_on = false;
  EXPECT_THROW(background.run([&] {
    background.post([] { throw std::runtime_error("box"); }, true);
    work_went_on = true;
  }),
               std::runtime_error);
  EXPECT_TRUE(work_went_on);
}

}  // namespace
}  // namespace norvel
