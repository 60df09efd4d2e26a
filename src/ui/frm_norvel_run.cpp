#include <ctime>
#include <optional>
#include <vector>

#include "catalog/failure_texts.h"
#include "catalog/pair_texts.h"
#include "catalog/run_texts.h"
#include "db/connection_string.h"
#include "engine/other_form_hints.h"
#include "engine/replacement_run.h"
#include "engine/run_presenter.h"
#include "journal/file_journal.h"
#include "journal/journal_location.h"
#include "journal/row_identity.h"
#include "ui/background_run.h"
#include "ui/form_helpers.h"
#include "ui/frm_norvel.h"
#include "ui/long_action.h"
#include "ui/messages.h"
#include "ui/mouse_pointer.h"
#include "ui/run_header.h"
#include "ui/run_progress.h"
#include "ui/run_view.h"

namespace norvel {
namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kAskInterrupt =
    "置換を中断しますか？\r\n中断すると、この実行での変更はすべて元に戻ります。";
constexpr std::string_view kAskInterruptToClose =
    "置換を実行中です。中断して終了しますか？\r\n"
    "中断すると、この実行での変更はすべて元に戻ります。";

}  // namespace

namespace {

// The presenter's calls, made on the run's thread, passed to the window's thread in order.
class PostedRunDisplay final : public RunDisplay {
 public:
  PostedRunDisplay(BackgroundRun& run, RunDisplay& view) : run_(run), view_(view) {}

  void began() override {
    run_.post([this] { view_.began(); });
  }
  void note(std::string_view text) override {
    run_.post([this, text = std::string(text)] { view_.note(text); });
  }
  void pairLine(std::string_view line) override {
    run_.post([this, line = std::string(line)] { view_.pairLine(line); });
  }
  void statusLine(std::string_view line) override {
    run_.post([this, line = std::string(line)] { view_.statusLine(line); });
  }
  void warning(std::string_view text) override {
    run_.post([this, text = std::string(text)] { view_.warning(text); });
  }
  void committed(std::string_view summary) override {
    run_.post([this, summary = std::string(summary)] { view_.committed(summary); });
  }
  void checked(std::string_view summary) override {
    run_.post([this, summary = std::string(summary)] { view_.checked(summary); });
  }
  // The first pair's end, and every 64th, hold the run until the window has caught up: events
  // that come after the first pair are seen before the next, and a long list is not slowed by a
  // handover between the threads at every pair.
  void pairDone() override {
    const bool wait = pairs_done_++ % kPairsPerHandover == 0;
    run_.post([this] { view_.pairDone(); }, wait);
  }
  void ended(std::string_view text) override {
    run_.post([this, text = std::string(text)] { view_.ended(text); });
  }

 private:
  static constexpr std::size_t kPairsPerHandover = 64;

  BackgroundRun& run_;
  RunDisplay& view_;
  std::size_t pairs_done_ = 0;
};

}  // namespace

// The status box's words about the journal.
constexpr std::string_view kJournalLine = "実行の記録: ";
constexpr std::string_view kNoIdentityLine =
    "この表には行を特定できる主キー（NULL を許さない一意インデックス）がないため、この実行は正確に"
    "は元に戻せません。実行の記録には件数だけが残ります。";

void FrmNorvel::cmd開始_Click(RunMode mode) {
  {
    clsMousePointer pointer(form_);
    pointer.Busy();

    std::vector<RunPair> pairs;
    const auto last = static_cast<std::int16_t>(lst置換リスト.itemCount()) - 1;
    for (std::int32_t index = 0; index <= last; ++index) {
      const clsInf& pair = mPairs_->GetItem(index + 1);
      pairs.push_back({pair.s01, pair.s02});
    }
    const RunTarget target{cobテーブル名.currentText(), cobフィールド名.currentText()};

    DatabaseConnection* connection = nullptr;
    try {
      connection = &database_.connection();
    } catch (const DatabaseError& error) {
      MsgWarning(descriptionOf(error));
    }
    if (connection != nullptr) runInBackground(*connection, target, pairs, mode);
    RefreshControlStates();
    // The log stays in view with the focus: one more Enter must not end the program.
    SetFocusSafe(txt状況);
  }
  if (close_after_run_) {
    close_after_run_ = false;
    Form_Unload();
  }
}

// The run goes on its own thread; this thread keeps the window painted and answering (the
// status box to scroll, Esc to interrupt) while the controls that would change the run's
// inputs are held.
void FrmNorvel::runInBackground(DatabaseConnection& connection, const RunTarget& target,
                                const std::vector<RunPair>& pairs, RunMode mode) {
  std::optional<LongAction> hold;
  hold.emplace(*this);
  txt状況.setEnabled(true);
  txt状況.appendText(runHeaderLine(std::time(nullptr), target, pairs.size(), mode) +
                     std::string(kCrLf));
  txt状況.setSelectionStart(txt状況.text().size());
  txt状況.setProgressLine(run_step::beginning());

  // A committed run keeps a journal of what it changed; the table decides whether it can name rows.
  const auto run_time = std::chrono::system_clock::now();
  std::optional<FileJournal> journal;
  if (mode == RunMode::commit) {
    const std::string folder = defaultJournalFolder(processEnvironment());
    JournalRecord header;
    header.source = maskPasswords(database_.connectionString());
    header.table = target.table;
    header.field = target.field;
    header.user = journalUser(processEnvironment());
    header.identity = findRowIdentity(connection, target.table, target.field);
    if (header.identity.empty()) {
      txt状況.appendText(std::string(kNoIdentityLine) + std::string(kCrLf));
      txt状況.setSelectionStart(txt状況.text().size());
    }
    if (!folder.empty()) {
      journal.emplace(platform_.files, folder, std::move(header), pairs, run_time);
    }
  }

  RunView view(*this);
  RunResult result;
  std::vector<OtherFormHint> hints;
  presentOffWindowThread(
      connection, pairs.size(), mode, view, [&](RunPresenter& presenter, RunObserver& observer) {
        result = runReplacement(
            connection, target, pairs, observer,
            {.mode = mode, .stop = &run_stop_, .journal = journal ? &*journal : nullptr});
        presenter.finished(result);
        // A check: what the codes as typed would miss, read while the window goes on.
        if (result.outcome == RunOutcome::rolledBack) {
          hints = findOtherFormHints(connection, target, pairs, result.counts);
        }
      });

  // The observer is not told of a failed begin; its box shows over a usable window.
  if (result.failure && result.failure->stage == RunStage::begin) {
    hold->restore();
    MsgWarning(
        failureMessage(result.failure->description, result.failure->error, Language::japanese));
  }
  view.showWarnings();
  if (result.outcome == RunOutcome::committed && journal && !journal->path().empty()) {
    last_run_time_ = run_time;
    journalWritten(journal->path(), journal->record().undoable());
  }
  if (result.outcome == RunOutcome::rolledBack) {
    // A check: the pairs' lines as a run writes them, what the codes as typed would miss, and a
    // total that says nothing was changed.
    for (const OtherFormHint& hint : hints) {
      txt状況.appendText(otherFormHintText(hint, Language::japanese) + std::string(kCrLf));
    }
    txt状況.appendText(checkUnchangedLine() + std::string(kCrLf));
    txt状況.setSelectionStart(txt状況.text().size());
    MsgInfo(checkTotalText(result.total));
  }
}

void FrmNorvel::presentOffWindowThread(
    DatabaseConnection& connection, std::size_t pairs, RunMode mode, RunView& view,
    const std::function<void(RunPresenter&, RunObserver&)>& work) {
  run_stop_ = false;
  run_connection_ = &connection;
  BackgroundRun background(platform_.windows);
  PostedRunDisplay posted(background, view);
  RunPresenter presenter(posted, mode, {.stop = &run_stop_, .check_says_would_replace = true});
  RunProgress progress(presenter, pairs, mode, [this, &background](std::string step) {
    background.post([this, step = std::move(step)] {
      // An interruption asked for is what the user waits on, until the rollback begins.
      if (run_stop_ && step != run_step::rollingBack()) return;
      txt状況.setProgressLine(step);
    });
  });
  try {
    background.run([&] { work(presenter, progress); });
  } catch (...) {
    run_connection_ = nullptr;
    txt状況.setProgressLine("");
    throw;
  }
  run_connection_ = nullptr;
  txt状況.setProgressLine("");
}

void FrmNorvel::journalWritten(const std::string& path, bool undoable) {
  // Counts alone cannot be put back.
  last_journal_ = undoable ? path : std::string();
  // The name alone: a whole path would push the box's lines out of sight sideways; the folder
  // is the user's state folder.
  const std::size_t slash = path.find_last_of("/\\");
  txt状況.appendText(std::string(kJournalLine) + path.substr(slash + 1) + std::string(kCrLf));
  txt状況.setSelectionStart(txt状況.text().size());
}

bool FrmNorvel::askToInterruptRun(bool to_close) {
  if (run_stop_) {
    // Asked already: a statement that began since is cut short too.
    run_connection_->interrupt();
    return true;
  }
  const MessageAnswer answer =
      norvel::askUser(platform_.windows, platform_.code_page,
                      to_close ? kAskInterruptToClose : kAskInterrupt, MessageButtons::yesNo);
  if (answer != MessageAnswer::yes) return false;
  run_stop_ = true;
  txt状況.setProgressLine(run_step::interrupting());
  run_connection_->interrupt();
  return true;
}

void FrmNorvel::cancelRequested() {
  if (runRunning()) askToInterruptRun(false);
}

}  // namespace norvel
