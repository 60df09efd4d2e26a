#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <string_view>

namespace norvel::batch {

class ProgressLine;

// Text for a POSIX terminal or file: CR LF line ends as LF, and any other control character
// (a lone CR, a tab, an escape) written out as \r, \t, \x1b, so that codes from the pair list
// cannot move the cursor or restyle the terminal.
std::string terminalText(std::string_view text);

// Where the window would append to its status box and show message boxes: status lines to
// stdout (none with quiet), messages to stderr, both as terminalText, each written out at once
// and kept clear of the progress line.
class BatchOutput {
 public:
  BatchOutput(std::ostream& out, std::ostream& err, bool quiet, ProgressLine& progress,
              bool same_output = false)
      : out_(out), err_(err), quiet_(quiet), progress_(progress), same_output_(same_output) {}

  // One status line, without its line end. A pair's first line starts the pair for the
  // progress line.
  void pairBegins(std::string_view line);
  void statusLine(std::string_view line);
  // A message box's text; the summary ends the run, so the progress line stays away after it.
  // The summary goes to stdout as well (by the caller), so where both reach one terminal, pipe
  // or file it is not written here a second time.
  void message(std::string_view text);
  void summary(std::string_view text);

  // Called once, at the first status line stdout refuses because its reader is gone (EPIPE:
  // "| head" has read its lines). The status lines after it are dropped.
  void whenOutputCloses(std::function<void()> handler) { on_closed_ = std::move(handler); }
  bool outputClosed() const { return closed_; }

 private:
  void writeStatus(std::string_view line);
  void writeMessage(std::string_view text);

  std::ostream& out_;
  std::ostream& err_;
  bool quiet_;
  ProgressLine& progress_;
  bool same_output_;
  int pairs_started_ = 0;
  std::function<void()> on_closed_;
  bool closed_ = false;
};

}  // namespace norvel::batch
