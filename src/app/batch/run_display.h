#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app/batch/output_sinks.h"
#include "engine/run_presenter.h"

namespace norvel::batch {

// Where norvel-batch shows a run: the status box's lines on stdout, its message boxes and notes
// on stderr, in the window's order. The summary on stdout is the caller's, once the run is over.
class BatchRunDisplay : public RunDisplay {
 public:
  explicit BatchRunDisplay(BatchOutput& output) : output_(output) {}

  void note(std::string_view text) override { output_.message(text); }
  void pairLine(std::string_view line) override { output_.pairBegins(line); }
  void statusLine(std::string_view line) override { output_.statusLine(line); }
  void warning(std::string_view text) override { output_.message(text); }
  void committed(std::string_view summary) override;
  void checked(std::string_view summary) override;

  // The summary of a run that went through, as written to stderr.
  const std::optional<std::string>& summary() const { return summary_; }

 private:
  BatchOutput& output_;
  std::optional<std::string> summary_;
};

// The summary of a dry run, from the window's own summary text.
std::string dryRunSummary(std::string_view summary);

}  // namespace norvel::batch
