#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "frontends/headless/headless_window_system.h"
#include "ui/window_model.h"

namespace norvel::batch {

class ProgressLine;
class DryRunDatabaseLayer;

// Text for a POSIX terminal or file: CR LF line ends as LF, and any other control character
// (a lone CR, a tab, an escape) written out as \r, \t, \x1b, so that codes from the pair list
// cannot move the cursor or restyle the terminal.
std::string terminalText(std::string_view text);

// The status box, line by line to stdout as the window appends it (terminalText). With quiet
// nothing is written; pairs are counted either way, for the progress line.
class StatusLineSink : public FormObserver {
 public:
  StatusLineSink(Control& status_box, std::ostream& out, bool quiet, ProgressLine& progress)
      : status_box_(status_box), out_(out), quiet_(quiet), progress_(progress) {}

  void textAppended(Control& control, std::string_view appended) override;

  int pairsStarted() const { return pairs_started_; }

 private:
  Control& status_box_;
  std::ostream& out_;
  bool quiet_;
  ProgressLine& progress_;
  int pairs_started_ = 0;
};

// Every message box to stderr, its text without the blanks that widen it. In a dry run the
// summary says that nothing was committed.
class MessageSink {
 public:
  MessageSink(std::ostream& err, ProgressLine& progress, const DryRunDatabaseLayer* dry_run)
      : err_(err), progress_(progress), dry_run_(dry_run) {}

  void show(const HeadlessWindowSystem::Message& message);

  int warnings() const { return warnings_; }
  int informations() const { return informations_; }
  // The text of the last information message as written to stderr.
  const std::string& lastInformation() const { return last_information_; }

 private:
  std::ostream& err_;
  ProgressLine& progress_;
  const DryRunDatabaseLayer* dry_run_;
  int warnings_ = 0;
  int informations_ = 0;
  std::string last_information_;
};

// The summary of a dry run, from the window's own summary text.
std::string dryRunSummary(std::string_view summary);

}  // namespace norvel::batch
