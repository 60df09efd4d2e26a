#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/run_presenter.h"
#include "ui/frm_norvel.h"

namespace norvel {

// Where the window shows a run: the status box and message boxes. What is shown is the
// presenter's. On the window's thread.
class FrmNorvel::RunView final : public RunDisplay {
 public:
  explicit RunView(FrmNorvel& window) : window_(window) {}

  void note(std::string_view text) override { append(text); }
  void pairLine(std::string_view line) override { append(line); }
  // The caret follows, so that the box shows its newest line.
  void statusLine(std::string_view line) override {
    append(line);
    window_.txt状況.setSelectionStart(window_.txt状況.text().size());
  }
  // Shown once the run is over, so that the box can say what became of the data.
  void warning(std::string_view text) override { warnings_.emplace_back(text); }
  void committed(std::string_view summary) override { window_.MsgInfo(summary); }
  // Events that came while the pair ran are seen before the next pair begins.
  void pairDone() override { window_.platform_.windows.processPendingEvents(); }
  // The last line of the run, and the end of its last box.
  void ended(std::string_view text) override {
    statusLine(text);
    if (warnings_.empty()) {
      warnings_.emplace_back(text);
    } else {
      warnings_.back() += "\r\n\r\n" + std::string(text);
    }
  }

  void showWarnings() {
    for (const std::string& text : warnings_) window_.MsgWarning(text);
    warnings_.clear();
  }

 private:
  void append(std::string_view line) { window_.txt状況.appendText(std::string(line) + "\r\n"); }

  FrmNorvel& window_;
  std::vector<std::string> warnings_;
};

}  // namespace norvel
