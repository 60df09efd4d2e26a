#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/replacement_run.h"
#include "journal/journal_record.h"

namespace norvel {

// A journaled row the undo did not put back: it no longer holds the value the run gave it.
struct LeftAloneRow {
  std::size_t pair_index = 0;  // of the undo's pairs, from 0
  const JournalEntry* entry = nullptr;
};

struct UndoResult {
  RunResult run;  // counts per undo pair: the journal's pairs, last first, new code to old
  std::vector<LeftAloneRow> left_alone;
};

// The undo's pairs: the journal's in reverse order, each from its new code to its old one.
std::vector<RunPair> undoPairs(const JournalRecord& record);

// The header of an undo's own journal: the undone run's table, field and identity, and the file
// name of its journal (`undone_path` may be a whole path).
JournalRecord undoJournalHeader(const JournalRecord& undone, const std::string& undone_path,
                                std::string source, std::string user);

// Puts every journaled row back to the value it had before the run, last pair first, where it
// still holds the value the run gave it; a row changed since is left alone and reported. One
// transaction; `journal` (when given, for a commit) receives the rows put back before the
// COMMIT. The observer is told as for a run over undoPairs. Throws std::invalid_argument for a
// journal that holds counts only.
UndoResult runUndo(DatabaseConnection& connection, const JournalRecord& record,
                   RunObserver& observer, RunMode mode, class FileJournal* journal = nullptr);

}  // namespace norvel
