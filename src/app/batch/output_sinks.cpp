#include "app/batch/output_sinks.h"

#include "app/batch/dry_run_database_layer.h"
#include "app/batch/progress_line.h"
#include "pairs/code_check.h"

namespace norvel::batch {
namespace {

constexpr std::string_view kProgressEnd = " ... \r\n";

bool endsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

}  // namespace

std::string terminalText(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  std::size_t start = 0;
  while (true) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (end < text.size() && line.ends_with('\r')) line.remove_suffix(1);
    result += ControlCharsEscaped(line);
    if (end == text.size()) break;
    result.push_back('\n');
    start = end + 1;
  }
  return result;
}

void StatusLineSink::textAppended(Control& control, std::string_view appended) {
  if (&control != &status_box_) return;
  // The run appends each pair's progress line before it touches the database.
  const bool pair_begins = endsWith(appended, kProgressEnd);
  if (pair_begins) ++pairs_started_;
  if (!quiet_) {
    progress_.clear();
    out_ << terminalText(appended) << std::flush;
  }
  if (pair_begins) {
    progress_.pairStarted(pairs_started_);
  } else {
    progress_.redraw();
  }
}

void MessageSink::show(const HeadlessWindowSystem::Message& message) {
  std::string text = message.text;
  while (!text.empty() && text.back() == ' ') text.pop_back();
  text = terminalText(text);
  if (message.icon == MessageIcon::information) {
    ++informations_;
    // The window reports its total after the commit, which in a dry run was a rollback.
    if (dry_run_ != nullptr && dry_run_->rolledBackInsteadOfCommit()) text = dryRunSummary(text);
    last_information_ = text;
  } else {
    ++warnings_;
  }
  progress_.clear();
  err_ << text << '\n' << std::flush;
  // The summary ends the run; only a warning leaves the run going.
  if (message.icon != MessageIcon::information) progress_.redraw();
}

std::string dryRunSummary(std::string_view summary) {
  return "dry run: " + std::string(summary) + " (rolled back, nothing changed)";
}

}  // namespace norvel::batch
