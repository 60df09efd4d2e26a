#pragma once

#include <chrono>
#include <string>

namespace norvel::batch {

// "pair i of n" on stderr, rewritten in place, for runs that take longer than a second. Only on
// a terminal: a log or a pipe never sees it.
class ProgressLine {
 public:
  // enabled: whether stderr is a terminal.
  explicit ProgressLine(bool enabled);
  ~ProgressLine() { clear(); }
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  void start(int pair_count);
  // Pair index (from 1) has begun.
  void pairStarted(int index);
  // Removes the line, so that other output starts at the beginning of a clean line.
  void clear();
  // Draws the line again after other output, when it was shown before.
  void redraw();
  void finish();

 private:
  void draw();

  bool enabled_;
  bool running_ = false;
  bool shown_ = false;
  int pair_count_ = 0;
  int index_ = 0;
  std::size_t drawn_width_ = 0;
  std::chrono::steady_clock::time_point started_;
  std::chrono::steady_clock::time_point drawn_at_;
};

}  // namespace norvel::batch
