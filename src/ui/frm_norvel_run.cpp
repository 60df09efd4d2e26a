#include <optional>
#include <vector>

#include "engine/error_description.h"
#include "engine/other_form_hints.h"
#include "engine/replacement_run.h"
#include "engine/run_presenter.h"
#include "text/number_text.h"
#include "ui/form_helpers.h"
#include "ui/frm_norvel.h"
#include "ui/long_action.h"
#include "ui/mouse_pointer.h"

namespace norvel {
namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kCheckOnly = "（確認のみ）";

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
  void warning(std::string_view text) override { window_.MsgWarning(text); }
  void committed(std::string_view summary) override { window_.MsgInfo(summary); }
  void pairDone() override { window_.platform_.windows.processPendingEvents(); }

  void restore() {
    if (hold_) hold_->restore();
  }

 private:
  void append(std::string_view line) {
    window_.txt状況.appendText(std::string(line) + std::string(kCrLf));
  }

  FrmNorvel& window_;
  std::optional<LongAction> hold_;
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
  RunPresenter presenter(view, mode);
  DatabaseConnection* connection = nullptr;
  try {
    connection = &database_.connection();
  } catch (const DatabaseError& error) {
    MsgWarning(descriptionOf(error));
  }
  if (connection != nullptr) {
    const RunResult result = runReplacement(*connection, target, pairs, presenter, {.mode = mode});
    // The observer is not told of a failed begin.
    if (result.failure && result.failure->stage == RunStage::begin) {
      MsgWarning(result.failure->description);
    }
    if (result.outcome == RunOutcome::rolledBack) {
      // A check: the pairs' lines as a run writes them, what the codes as typed would miss,
      // and a total that says nothing was changed.
      for (const OtherFormHint& hint :
           findOtherFormHints(*connection, target, pairs, result.counts)) {
        txt状況.appendText(hint.text + std::string(kCrLf));
      }
      txt状況.appendText(std::string(kCheckOnly) + "変更はしていません。" + std::string(kCrLf));
      txt状況.setSelectionStart(txt状況.text().size());
      MsgInfo(std::string(kCheckOnly) + formatCount(result.total) +
              "件置換されます。変更はしていません。");
    }
  }

  view.restore();
  RefreshControlStates();
  SetFocusSafe(cmd終了);
}

}  // namespace norvel
