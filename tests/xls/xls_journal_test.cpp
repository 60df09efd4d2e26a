// A journaled run on .xls workbooks names its rows by sheet and row, and its undo puts the
// cells back as they were.
#include "engine/replacement_run.h"
#include "journal/file_journal.h"
#include "journal/row_identity.h"
#include "journal/undo_run.h"
#include "support/run_recorder.h"
#include "xls_test_support.h"
#include "xlsx/workbook_file.h"

namespace norvel::test {
namespace {

class XlsJournalTest : public XlsTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(XlsJournalTest, RunAndUndoLeaveEveryCellAsItWas) {
  const std::string path = book("addresses_" + GetParam(), "journal.xls");
  const auto original = cellsReadByXlrd(path);
  const RunTarget target{"住所録$", "郵便番号"};
  const std::vector<RunPair> pairs = {{"100-0001", "100-0003"}, {"100-0002", "100-0001"}};
  JournalRecord record;
  {
    auto db = openWorkbook(path, true);
    JournalRecord header;
    header.table = target.table;
    header.field = target.field;
    header.identity = findRowIdentity(*db, target.table, target.field);
    FileJournal journal(xlsx::nativeFileSystem(), file("runs"), header, pairs);
    testing::RunRecorder recorder;
    const RunResult result = runReplacement(*db, target, pairs, recorder,
                                            {.mode = RunMode::commit, .journal = &journal});
    ASSERT_EQ(result.outcome, RunOutcome::committed);
    record = parseJournal(readBytes(journal.path()));
  }
  EXPECT_EQ(record.identity, (Names{"sheet", "row"}));
  ASSERT_EQ(record.entries.size(), 2u);
  EXPECT_EQ(record.entries[0].identity, (std::vector<std::optional<std::string>>{"住所録", "2"}));
  EXPECT_EQ(record.entries[1].identity, (std::vector<std::optional<std::string>>{"住所録", "3"}));
  EXPECT_NE(cellsReadByXlrd(path), original);
  {
    auto db = openWorkbook(path, true);
    testing::RunRecorder recorder;
    const UndoResult undone = runUndo(*db, record, recorder, RunMode::commit);
    ASSERT_EQ(undone.run.outcome, RunOutcome::committed);
    EXPECT_EQ(undone.run.total, 2);
    EXPECT_TRUE(undone.left_alone.empty());
  }
  EXPECT_EQ(cellsReadByXlrd(path), original);
}

INSTANTIATE_TEST_SUITE_P(Writers, XlsJournalTest, ::testing::ValuesIn(kWriters));

}  // namespace
}  // namespace norvel::test
