#include <optional>
#include <vector>

#include "catalog/failure_texts.h"
#include "catalog/run_texts.h"
#include "engine/other_form_hints.h"
#include "engine/replacement_run.h"
#include "engine/run_presenter.h"
#include "ui/form_helpers.h"
#include "ui/frm_norvel.h"
#include "ui/long_action.h"
#include "ui/mouse_pointer.h"

namespace norvel {
namespace {

constexpr std::string_view kCrLf = "\r\n";

}  // namespace

// Where the window shows a run: the status box and message boxes, the window held while it goes
// on. What is shown is the presenter's.
class FrmNorvel::RunView final : public RunDisplay {
 public:
  explicit RunView(FrmNorvel& window) : window_(window) {}

  // The window is held only once the transaction is open: a failed begin leaves it usable.
  void began() override {
    hold_.emplace(window_);
    window_.txt状況.setEnabled(true);
  }
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
  void pairDone() override { window_.platform_.windows.processPendingEvents(); }
  // The last line of the run, and the end of its last box.
  void ended(std::string_view text) override {
    statusLine(text);
    if (warnings_.empty()) {
      warnings_.emplace_back(text);
    } else {
      warnings_.back() += std::string(kCrLf) + std::string(kCrLf) + std::string(text);
    }
  }

  void showWarnings() {
    for (const std::string& text : warnings_) window_.MsgWarning(text);
    warnings_.clear();
  }

  void restore() {
    if (hold_) hold_->restore();
  }

 private:
  void append(std::string_view line) {
    window_.txt状況.appendText(std::string(line) + std::string(kCrLf));
  }

  FrmNorvel& window_;
  std::optional<LongAction> hold_;
  std::vector<std::string> warnings_;
};

void FrmNorvel::cmd開始_Click(RunMode mode) {
  clsMousePointer pointer(form_);
  pointer.Busy();

  std::vector<RunPair> pairs;
  const auto last = static_cast<std::int16_t>(lst置換リスト.itemCount()) - 1;
  for (std::int32_t index = 0; index <= last; ++index) {
    const clsInf& pair = mPairs_->GetItem(index + 1);
    pairs.push_back({pair.s01, pair.s02});
  }
  const RunTarget target{cobテーブル名.currentText(), cobフィールド名.currentText()};

  RunView view(*this);
  RunPresenter presenter(view, mode, {.check_says_would_replace = true});
  DatabaseConnection* connection = nullptr;
  try {
    connection = &database_.connection();
  } catch (const DatabaseError& error) {
    MsgWarning(descriptionOf(error));
  }
  if (connection != nullptr) {
    const RunResult result = runReplacement(*connection, target, pairs, presenter, {.mode = mode});
    presenter.finished(result);
    view.showWarnings();
    // The observer is not told of a failed begin.
    if (result.failure && result.failure->stage == RunStage::begin) {
      MsgWarning(
          failureMessage(result.failure->description, result.failure->error, Language::japanese));
    }
    if (result.outcome == RunOutcome::rolledBack) {
      // A check: the pairs' lines as a run writes them, what the codes as typed would miss,
      // and a total that says nothing was changed.
      for (const OtherFormHint& hint :
           findOtherFormHints(*connection, target, pairs, result.counts)) {
        txt状況.appendText(hint.text + std::string(kCrLf));
      }
      txt状況.appendText(checkUnchangedLine() + std::string(kCrLf));
      txt状況.setSelectionStart(txt状況.text().size());
      MsgInfo(checkTotalText(result.total));
    }
  }

  view.restore();
  RefreshControlStates();
  SetFocusSafe(cmd終了);
}

}  // namespace norvel
