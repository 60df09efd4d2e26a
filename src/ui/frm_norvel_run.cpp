#include "engine/messages.h"
#include "engine/number_text.h"
#include "engine/open_recordset.h"
#include "engine/sql_text.h"
#include "pairs/code_check.h"
#include "pairs/pair_list_review.h"
#include "ui/form_helpers.h"
#include "ui/frm_norvel.h"
#include "ui/long_action.h"
#include "ui/mouse_pointer.h"

namespace norvel {
namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kReplaced = "件置換しました。";

std::string resultLine(std::int64_t rows) {
  std::string count = FormatCount(rows);
  if (count.size() < 24) count.insert(0, 24 - count.size(), ' ');
  return count + std::string(kReplaced) + std::string(kCrLf);
}

}  // namespace

bool FrmNorvel::ReplacePair(const clsInf& pair, std::int64_t& rowsReplaced) {
  rowsReplaced = 0;
  txt状況.appendText(pair.s01 + "->" + pair.s02 + " ... " + std::string(kCrLf));

  // Undecodable bytes of the pair list file or a control character never reach the data source.
  std::string error = UnusableCodeReason(pair.s01).value_or(std::string());
  if (error.empty()) error = UnusableCodeReason(pair.s02).value_or(std::string());
  if (error.empty()) {
    const std::string table = cobテーブル名.currentText();
    const std::string field = cobフィールド名.currentText();
    const std::string quote = database_.connection().identifierQuote();
    QueryInfo fields;
    if (OpenRecordset(database_.gAdoConnection(), platform_.windows, platform_.code_page,
                      BuildProbe(table, field, quote), false, fields)) {
      return true;
    }
    const UpdateText update =
        BuildUpdate(table, field, fields.first_column_type, pair.s01, pair.s02, quote);
    if (!update.statement) {
      // A numeric field cannot take a code that is not wholly a number: writing its leading
      // number (100 for «100-0001») would corrupt the data.
      error = "「" + update.problem + "」は数値ではないため、数値型のフィールド「" + field +
              "」の置換に使えません。";
    } else {
      try {
        rowsReplaced = database_.connection().executeStatement(*update.statement);
      } catch (const std::exception& failure) {
        error = DescriptionOf(failure);
      }
    }
  }

  if (!error.empty()) {
    MsgWarning(error);
    txt状況.appendText("  " + error + std::string(kCrLf));
  } else {
    txt状況.appendText(resultLine(rowsReplaced));
  }
  txt状況.setSelectionStart(txt状況.text().size());
  return !error.empty();
}

void FrmNorvel::cmd開始_Click() {
  clsMousePointer pointer(form_);
  pointer.Busy();
  try {
    database_.BeginTransaction();
  } catch (const std::exception& error) {
    MsgWarning(DescriptionOf(error));
    RefreshControlStates();
    SetFocusSafe(cmd終了);
    return;
  }

  LongAction hold(*this);
  txt状況.setEnabled(true);
  // Pairs the user may not have meant are named before the first pair's line.
  for (const PairFinding& finding : ReviewPairList(*mPairs_)) {
    txt状況.appendText(finding.text + std::string(kCrLf));
  }
  std::int64_t total = 0;
  bool failed = false;
  const auto last = static_cast<std::int16_t>(lst置換リスト.itemCount()) - 1;
  for (std::int32_t index = 0; index <= last; ++index) {
    std::int64_t rows = 0;
    try {
      if (ReplacePair(mPairs_->GetItem(index + 1), rows)) failed = true;
    } catch (const std::exception& error) {
      MsgWarning(DescriptionOf(error));
      failed = true;
    }
    if (failed) break;
    total += rows;
    platform_.windows.processPendingEvents();
  }

  auto reportEnd = [&](const std::exception& error) {
    const std::string description = DescriptionOf(error);
    MsgWarning(description);
    txt状況.appendText("  " + description + std::string(kCrLf));
    txt状況.setSelectionStart(txt状況.text().size());
  };
  if (failed) {
    try {
      database_.RollbackTransaction();
    } catch (const std::exception& error) {
      reportEnd(error);
    }
  } else {
    try {
      database_.CommitTransaction();
      MsgInfo(FormatCount(total) + std::string(kReplaced));
    } catch (const std::exception& error) {
      // A failed commit is never a success: say so and undo what the data source still holds.
      reportEnd(error);
      try {
        database_.RollbackTransaction();
      } catch (...) {
      }
    }
  }

  hold.restore();
  RefreshControlStates();
  SetFocusSafe(cmd終了);
}

}  // namespace norvel
