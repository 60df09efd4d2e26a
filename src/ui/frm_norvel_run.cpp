#include <optional>
#include <vector>

#include "engine/error_description.h"
#include "engine/other_form_hints.h"
#include "engine/replacement_run.h"
#include "pairs/pair_list_review.h"
#include "text/number_text.h"
#include "ui/form_helpers.h"
#include "ui/frm_norvel.h"
#include "ui/long_action.h"
#include "ui/mouse_pointer.h"

namespace norvel {
namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kReplaced = "件置換しました。";
constexpr std::string_view kCheckOnly = "（確認のみ）";

std::string resultLine(std::int64_t rows) {
  std::string count = formatCount(rows);
  if (count.size() < 24) count.insert(0, 24 - count.size(), ' ');
  return count + std::string(kReplaced) + std::string(kCrLf);
}

}  // namespace

// The run as the window shows it: status lines, boxes, the window held while it goes on.
class FrmNorvel::RunView final : public RunObserver {
 public:
  RunView(FrmNorvel& window, RunMode mode) : window_(window), mode_(mode) {}

  // The window is held only once the transaction is open: a failed begin leaves it usable.
  void began() override {
    hold_.emplace(window_);
    window_.txt状況.setEnabled(true);
    // Pairs the user may not have meant are named before the first pair's line.
    for (const PairFinding& finding : reviewPairList(*window_.mPairs_)) {
      append(finding.text);
    }
  }
  // A check says why its pairs went one by one; a run just runs.
  void runsPairByPair(PerPairCause cause) override {
    if (mode_ == RunMode::dryRun) append(perPairCauseText(cause));
  }
  void pairStarted(std::size_t, const RunPair& pair) override {
    append(pair.old_code + "->" + pair.new_code + " ... ");
  }
  void pairReplaced(std::size_t, std::int64_t rows) override {
    window_.ReplacePair(nullptr, rows);
    window_.platform_.windows.processPendingEvents();
  }
  void pairFailed(std::size_t, const RunFailure& failure) override {
    window_.ReplacePair(&failure, 0);
  }
  void committed(std::int64_t total) override {
    window_.MsgInfo(formatCount(total) + std::string(kReplaced));
  }
  void runFailed(const RunFailure& failure) override { reportEnd(failure.description); }
  void commitFailed(const RunFailure& failure) override {
    commit_failed_ = true;
    reportEnd(failure.description);
  }
  // After a failed commit the window has said that nothing was committed; the rollback's own
  // failure adds nothing the user can act on.
  void rollbackFailed(const std::string& description) override {
    if (!commit_failed_) reportEnd(description);
  }

  void restore() {
    if (hold_) hold_->restore();
  }

 private:
  void append(const std::string& line) { window_.txt状況.appendText(line + std::string(kCrLf)); }
  void reportEnd(const std::string& description) {
    window_.MsgWarning(description);
    append("  " + description);
    window_.txt状況.setSelectionStart(window_.txt状況.text().size());
  }

  FrmNorvel& window_;
  RunMode mode_;
  std::optional<LongAction> hold_;
  bool commit_failed_ = false;
};

void FrmNorvel::ReplacePair(const RunFailure* failure, std::int64_t rowsReplaced) {
  if (failure == nullptr) {
    txt状況.appendText(resultLine(rowsReplaced));
  } else {
    MsgWarning(failure->description);
    // A pair whose probe failed keeps only its progress line.
    if (failure->stage == RunStage::probe) return;
    txt状況.appendText("  " + failure->description + std::string(kCrLf));
  }
  txt状況.setSelectionStart(txt状況.text().size());
}

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

  RunView view(*this, mode);
  DatabaseConnection* connection = nullptr;
  try {
    connection = &database_.connection();
  } catch (const DatabaseError& error) {
    MsgWarning(descriptionOf(error));
  }
  if (connection != nullptr) {
    const RunResult result = runReplacement(*connection, target, pairs, view, {.mode = mode});
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
