#include <chrono>
#include <ctime>
#include <optional>

#include "catalog/failure_texts.h"
#include "db/connection_string.h"
#include "journal/file_journal.h"
#include "journal/journal_location.h"
#include "journal/undo_run.h"
#include "text/number_text.h"
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

// The question before the undo. No is its default: yes changes the data.
std::string undoQuestion(const JournalRecord& undone, std::chrono::system_clock::time_point time) {
  const std::string rows = formatCount(static_cast<std::int64_t>(undone.entries.size()));
  const std::string what =
      undone.undoes.empty()
          ? localTimeText(std::chrono::system_clock::to_time_t(time), "%H:%M:%S") + " の置換（" +
                rows + " 件）"
          : localTimeText(std::chrono::system_clock::to_time_t(time), "%H:%M:%S") +
                " の元に戻す操作（" + rows + " 件）";
  return what + "を元に戻しますか？\r\n" + "その後に別の値に変わった行は、そのまま残します。";
}

std::string leftAloneLine(const JournalRecord& undone, const LeftAloneRow& row) {
  return "行 " + identityText(undone, *row.entry) + " は " + row.entry->new_value.value_or("NULL") +
         " ではなくなっている（その後に変更された）ため、元に戻していません。";
}

std::string leftAloneTotal(std::size_t rows) {
  return "その後に変更されていた " + formatCount(static_cast<std::int64_t>(rows)) +
         " 行は、元に戻さずにそのまま残しました。";
}

}  // namespace

std::vector<Command> FrmNorvel::commandsOf(const Control& control) {
  if (&control == &txt状況) return {Command::undoLastRun};
  return {};
}

bool FrmNorvel::commandEnabled(const Control& control, Command command) {
  return &control == &txt状況 && command == Command::undoLastRun && canUndoLastRun();
}

void FrmNorvel::handleCommand(Control& control, Command command) {
  try {
    if (&control == &txt状況 && command == Command::undoLastRun) undoLastRun();
  } catch (const std::exception& error) {
    MsgWarning(error.what());
  }
}

bool FrmNorvel::canUndoLastRun() const {
  return mbLoaded_ && mbConnected_ && !last_journal_.empty() && !longActionRunning() &&
         database_.gAdoConnection() != nullptr;
}

void FrmNorvel::undoLastRun() {
  if (!canUndoLastRun()) return;
  JournalRecord undone;
  try {
    undone = parseJournal(platform_.files.readFile(last_journal_));
  } catch (const std::exception& error) {
    // A journal that is gone or damaged cannot be undone from here.
    MsgWarning("実行の記録を読めないため、元に戻せません。\r\n" + last_journal_ + "\r\n" +
               descriptionOf(error));
    last_journal_.clear();
    return;
  }
  if (norvel::askUser(platform_.windows, platform_.code_page, undoQuestion(undone, last_run_time_),
                      MessageButtons::yesNoDefaultNo) != MessageAnswer::yes) {
    return;
  }
  {
    clsMousePointer pointer(form_);
    pointer.Busy();
    undoInBackground(database_.connection(), undone);
    RefreshControlStates();
    SetFocusSafe(txt状況);
  }
  if (close_after_run_) {
    close_after_run_ = false;
    Form_Unload();
  }
}

// As a run goes: on its own thread, its lines in the status box, its own journal named after it.
void FrmNorvel::undoInBackground(DatabaseConnection& connection, const JournalRecord& undone) {
  std::optional<LongAction> hold;
  hold.emplace(*this);
  txt状況.setEnabled(true);
  const std::vector<RunPair> pairs = undoPairs(undone);
  txt状況.appendText(undoHeaderLine(std::time(nullptr), {undone.table, undone.field},
                                    std::chrono::system_clock::to_time_t(last_run_time_)) +
                     std::string(kCrLf));
  txt状況.setSelectionStart(txt状況.text().size());
  txt状況.setProgressLine(run_step::beginning());

  const auto undo_time = std::chrono::system_clock::now();
  std::optional<FileJournal> journal;
  if (const std::string folder = defaultJournalFolder(processEnvironment()); !folder.empty()) {
    journal.emplace(
        platform_.files, folder,
        undoJournalHeader(undone, last_journal_, maskPasswords(database_.connectionString()),
                          journalUser(processEnvironment())),
        pairs, undo_time);
  }

  RunView view(*this);
  UndoResult undo;
  presentOffWindowThread(connection, pairs.size(), RunMode::commit, view,
                         [&](RunPresenter& presenter, RunObserver& observer) {
                           undo = runUndo(connection, undone, observer, RunMode::commit,
                                          journal ? &*journal : nullptr);
                           presenter.finished(undo.run);
                         });

  const RunResult& result = undo.run;
  if (result.failure && result.failure->stage == RunStage::begin) {
    hold->restore();
    MsgWarning(
        failureMessage(result.failure->description, result.failure->error, Language::japanese));
  }
  view.showWarnings();
  if (result.outcome != RunOutcome::committed) return;
  // Never overwritten: the rows someone changed since the run are named.
  for (const LeftAloneRow& row : undo.left_alone) {
    txt状況.appendText(leftAloneLine(undone, row) + std::string(kCrLf));
  }
  if (!undo.left_alone.empty()) {
    txt状況.appendText(leftAloneTotal(undo.left_alone.size()) + std::string(kCrLf));
  }
  txt状況.setSelectionStart(txt状況.text().size());
  // The undo's journal is the next one to undo: an undo can be undone in turn.
  if (journal && !journal->path().empty()) {
    last_run_time_ = undo_time;
    journalWritten(journal->path(), journal->record().undoable());
  } else {
    last_journal_.clear();
  }
}

}  // namespace norvel
