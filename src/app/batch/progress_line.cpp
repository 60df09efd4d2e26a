#include "app/batch/progress_line.h"

#include <cstdio>

#include "app/batch/batch_text.h"

namespace norvel::batch {
namespace {

constexpr std::chrono::seconds kQuietPeriod{1};
// A terminal need not be rewritten for every pair of a fast run.
constexpr std::chrono::milliseconds kRedrawInterval{100};

// A progress line that cannot be drawn is no reason to stop the run.
void writeStderr(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

}  // namespace

ProgressLine::ProgressLine(bool enabled) : enabled_(enabled) {}

void ProgressLine::start(int pair_count) {
  pair_count_ = pair_count;
  index_ = 0;
  running_ = enabled_;
  started_ = std::chrono::steady_clock::now();
}

void ProgressLine::pairStarted(int index) {
  index_ = index;
  if (!running_) return;
  const auto now = std::chrono::steady_clock::now();
  if (!shown_ && now - started_ < kQuietPeriod) return;
  if (shown_ && index != pair_count_ && now - drawn_at_ < kRedrawInterval) return;
  draw();
}

void ProgressLine::draw() {
  const std::string text =
      // TRANSLATORS: the progress line on a terminal: pair {1} of {2} pairs is running.
      tr("pair {1} of {2}", {std::to_string(index_), std::to_string(pair_count_)});
  std::string line = "\r" + text;
  if (text.size() < drawn_width_) line += std::string(drawn_width_ - text.size(), ' ');
  writeStderr(line);
  drawn_width_ = text.size();
  drawn_at_ = std::chrono::steady_clock::now();
  shown_ = true;
}

void ProgressLine::clear() {
  if (drawn_width_ == 0) return;
  writeStderr("\r" + std::string(drawn_width_, ' ') + "\r");
  drawn_width_ = 0;
}

void ProgressLine::redraw() {
  if (running_ && shown_) draw();
}

void ProgressLine::finish() {
  clear();
  running_ = false;
  shown_ = false;
}

}  // namespace norvel::batch
