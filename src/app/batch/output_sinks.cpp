#include "app/batch/output_sinks.h"

#include <cerrno>

#include "app/batch/progress_line.h"
#include "pairs/code_check.h"

namespace norvel::batch {

std::string terminalText(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  std::size_t start = 0;
  while (true) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (end < text.size() && line.ends_with('\r')) line.remove_suffix(1);
    result += controlCharsEscaped(line);
    if (end == text.size()) break;
    result.push_back('\n');
    start = end + 1;
  }
  return result;
}

void BatchOutput::pairBegins(std::string_view line) {
  writeStatus(line);
  progress_.pairStarted(++pairs_started_);
}

void BatchOutput::statusLine(std::string_view line) {
  if (quiet_) return;
  writeStatus(line);
  progress_.redraw();
}

void BatchOutput::message(std::string_view text) {
  writeMessage(text);
  progress_.redraw();
}

void BatchOutput::summary(std::string_view text) {
  if (same_output_) {
    progress_.clear();
    return;
  }
  writeMessage(text);
}

void BatchOutput::writeStatus(std::string_view line) {
  if (quiet_ || closed_) return;
  progress_.clear();
  errno = 0;
  out_ << terminalText(line) << '\n' << std::flush;
  if (out_.fail() && errno == EPIPE) {
    closed_ = true;
    if (on_closed_) on_closed_();
  }
}

void BatchOutput::writeMessage(std::string_view text) {
  // Messages carry no blanks at their end: a message box's widening is no part of the text.
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  progress_.clear();
  err_ << terminalText(text) << '\n' << std::flush;
}

}  // namespace norvel::batch
