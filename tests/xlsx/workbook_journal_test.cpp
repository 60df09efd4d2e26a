// A journaled run on an .xlsx workbook written by openpyxl names its rows by sheet and row, and
// its undo puts the cells back.
#include "engine/replacement_run.h"
#include "journal/file_journal.h"
#include "journal/row_identity.h"
#include "journal/undo_run.h"
#include "support/run_recorder.h"
#include "workbook_test_support.h"
#include "xlsx/workbook_file.h"

namespace norvel::test {
namespace {

using Row = std::vector<std::optional<std::string>>;

class WorkbookJournalTest : public WorkbookTest {
 protected:
  JournalRecord journaledRun(const std::string& path, const RunTarget& target,
                             const std::vector<RunPair>& pairs) {
    auto db = openWorkbook(path, true);
    JournalRecord header;
    header.table = target.table;
    header.field = target.field;
    header.identity = findRowIdentity(*db, target.table, target.field);
    FileJournal journal(xlsx::nativeFileSystem(), file("runs"), header, pairs);
    testing::RunRecorder recorder;
    const RunResult result = runReplacement(*db, target, pairs, recorder,
                                            {.mode = RunMode::commit, .journal = &journal});
    EXPECT_EQ(result.outcome, RunOutcome::committed) << ::testing::PrintToString(recorder.lines);
    return parseJournal(readBytes(journal.path()));
  }

  UndoResult undo(const std::string& path, const JournalRecord& record) {
    auto db = openWorkbook(path, true);
    testing::RunRecorder recorder;
    UndoResult undone = runUndo(*db, record, recorder, RunMode::commit);
    EXPECT_EQ(undone.run.outcome, RunOutcome::committed)
        << ::testing::PrintToString(recorder.lines);
    return undone;
  }
};

TEST_F(WorkbookJournalTest, RowsAreNamedBySheetAndRowAndTheUndoPutsTheCellsBack) {
  const std::string path = book("addresses");
  const auto original = cellsReadByOpenpyxl(path);
  const RunTarget target{"住所録$", "郵便番号"};
  // Row 6's 100-0002 was there before the run: the undo leaves it.
  const JournalRecord record =
      journaledRun(path, target, {{"100-0001", "100-0002"}, {"0600001", "060-0001"}});
  EXPECT_EQ(record.identity, (Names{"sheet", "row"}));
  std::vector<Row> rows;
  for (const JournalEntry& entry : record.entries) rows.push_back(entry.identity);
  EXPECT_EQ(rows, (std::vector<Row>{{"住所録", "2"}, {"住所録", "3"}, {"住所録", "4"}}));
  EXPECT_EQ(cellsReadByOpenpyxl(path).at("住所録!A3").substr(0, 11), "s|100-0002|");
  EXPECT_NE(cellsReadByOpenpyxl(path), original);

  const UndoResult undone = undo(path, record);
  EXPECT_EQ(undone.run.counts, (std::vector<std::int64_t>{1, 2}));
  EXPECT_TRUE(undone.left_alone.empty());
  EXPECT_EQ(cellsReadByOpenpyxl(path), original);
}

TEST_F(WorkbookJournalTest, ACellChangedSinceTheRunIsLeftAlone) {
  const std::string path = book("addresses");
  const RunTarget target{"住所録$", "郵便番号"};
  const JournalRecord record = journaledRun(path, target, {{"100-0001", "100-0009"}});
  {
    auto db = openWorkbook(path, true);
    db->execute("UPDATE \"住所録$\" SET 郵便番号 = '999-9999' WHERE rowid = 3");
  }
  const UndoResult undone = undo(path, record);
  ASSERT_EQ(undone.left_alone.size(), 1u);
  EXPECT_EQ(identityText(record, *undone.left_alone[0].entry), "sheet=住所録, row=3");
  const auto cells = cellsReadByOpenpyxl(path);
  EXPECT_EQ(cells.at("住所録!A2").substr(0, 11), "s|100-0001|");
  EXPECT_EQ(cells.at("住所録!A3").substr(0, 11), "s|999-9999|");
}

}  // namespace
}  // namespace norvel::test
