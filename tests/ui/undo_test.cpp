#include <gtest/gtest.h>

#include <filesystem>

#include "journal/journal_record.h"
#include "support/sqlite_fixture.h"
#include "support/temp_dir.h"
#include "support/window_harness.h"

namespace norvel {
namespace {

using testing::SqliteFile;
using testing::WindowHarness;

std::string journalName(const std::string& path) {
  return testing::utf8Name(testing::utf8Path(path).filename());
}

// A table whose rows hold the new codes before any run too: an undo must leave those alone.
class UndoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path = h.dir.file("address.sqlite");
    db = std::make_unique<SqliteFile>(path);
    db->exec(
        "CREATE TABLE 住所 (郵便番号 TEXT, 町域 TEXT);"
        "INSERT INTO 住所 VALUES ('100-0001', 'a'), ('100-0001', 'b'), ('100-0002', 'c'), "
        "('200-0001', 'd'), ('300-0003', 'e'), (NULL, 'f');");
    original = rows();
    ASSERT_TRUE(h.start());
    h.addPair("100-0001", "100-0002");
    h.addPair("200-0001", "100-0001");
    h.tab(0);
    h.type(h.w().txtMDBパス, path);
    h.click(h.w().cmd接続);
    h.selectText(h.w().cobテーブル名, "住所");
    h.selectText(h.w().cobフィールド名, "郵便番号");
    ASSERT_TRUE(h.w().mbConnected());
  }

  // Every row as "町域=郵便番号", in rowid order.
  std::string rows() {
    return db->scalar(
        "SELECT group_concat(町域 || '=' || coalesce(郵便番号, 'NULL'), ' ') FROM "
        "(SELECT * FROM 住所 ORDER BY rowid)");
  }

  bool undoOffered() { return h.form().commandEnabled(h.w().txt状況, Command::undoLastRun); }

  void chooseUndo(MessageAnswer answer) {
    h.windows.answerQuestion(answer);
    h.form().userChoosesCommand(h.w().txt状況, Command::undoLastRun);
    h.pump();
  }

  WindowHarness h;
  std::string path;
  std::unique_ptr<SqliteFile> db;
  std::string original;
};

TEST_F(UndoTest, TheStatusBoxOffersTheUndoOnlyAfterACommittedRun) {
  FrmNorvel& w = h.w();
  EXPECT_EQ(h.form().commandsOf(w.txt状況), std::vector<Command>{Command::undoLastRun});
  EXPECT_TRUE(h.form().commandsOf(w.cmd開始).empty());
  EXPECT_EQ(commandCaption(Command::undoLastRun), "直前の置換を元に戻す(&U)");
  EXPECT_FALSE(undoOffered());

  // A check changes nothing, so there is nothing to undo.
  h.shiftClick(w.cmd開始);
  EXPECT_FALSE(undoOffered());

  // While the run goes on (its total's box shows before it ends) the entry cannot be chosen.
  std::vector<bool> offered_during_run;
  h.windows.onMessage(
      [&](const HeadlessWindowSystem::Message&) { offered_during_run.push_back(undoOffered()); });
  h.click(w.cmd開始);
  EXPECT_EQ(offered_during_run, std::vector<bool>{false});
  h.windows.onMessage(nullptr);
  EXPECT_TRUE(undoOffered());
  EXPECT_EQ(rows(), "a=100-0002 b=100-0002 c=100-0002 d=100-0001 e=300-0003 f=NULL");

  // Connecting again closes the connection the run went to.
  h.click(w.cmd接続);
  h.selectText(w.cobテーブル名, "住所");
  EXPECT_FALSE(undoOffered());
  EXPECT_TRUE(w.undoJournal().empty());
  // Ctrl+Z in the status box is then used up doing nothing, and asks nothing.
  h.windows.clearMessages();
  EXPECT_TRUE(h.key(w.txt状況, Key::undo));
  EXPECT_TRUE(h.windows.messages().empty());
}

TEST_F(UndoTest, NoLeavesEverythingAsItWas) {
  FrmNorvel& w = h.w();
  h.click(w.cmd開始);
  const std::string after_run = rows();
  const std::string status = w.txt状況.text();
  h.windows.clearMessages();

  // Unanswered, the box takes its default: no.
  h.form().userChoosesCommand(w.txt状況, Command::undoLastRun);
  h.pump();
  chooseUndo(MessageAnswer::no);

  ASSERT_EQ(h.windows.messages().size(), 2u);
  for (const auto& message : h.windows.messages()) {
    EXPECT_EQ(message.icon, MessageIcon::question);
    EXPECT_EQ(message.buttons, MessageButtons::yesNoDefaultNo);
    EXPECT_EQ(message.answer, MessageAnswer::no);
    // The run's time and the rows it changed.
    EXPECT_NE(message.text.find(" の置換（3 件）を元に戻しますか？"), std::string::npos)
        << message.text;
    EXPECT_EQ(message.text[2], ':') << message.text;
  }
  EXPECT_EQ(rows(), after_run);
  EXPECT_EQ(w.txt状況.text(), status);
  EXPECT_TRUE(undoOffered());
}

TEST_F(UndoTest, YesPutsEveryRowBackAndNamesTheUndosJournal) {
  FrmNorvel& w = h.w();
  h.click(w.cmd開始);
  const std::string run_journal = w.undoJournal();
  ASSERT_FALSE(run_journal.empty());
  const std::size_t run_end = w.txt状況.text().size();
  h.windows.clearMessages();

  chooseUndo(MessageAnswer::yes);

  EXPECT_EQ(rows(), original);
  // As a run's lines: a header, the pairs last first from new code to old, the journal.
  const std::string undo_lines = w.txt状況.text().substr(run_end);
  const std::string lines = testing::withoutRunHeaders(undo_lines);
  const std::size_t journal_line = lines.find("実行の記録: ");
  ASSERT_NE(journal_line, std::string::npos) << lines;
  EXPECT_EQ(lines.substr(0, journal_line),
            "100-0001->200-0001 ... \r\n"
            "                       1件置換しました。\r\n"
            "100-0002->100-0001 ... \r\n"
            "                       2件置換しました。\r\n");
  EXPECT_EQ(undo_lines.rfind("―― ", 0), 0u) << undo_lines;
  EXPECT_NE(undo_lines.find(" の実行を元に戻す ――\r\n"), std::string::npos) << undo_lines;
  EXPECT_EQ(h.messageTexts().back(), "3件置換しました。");

  // The undo's own journal is the next one to undo, and says which run it undid.
  const std::string undo_journal = w.undoJournal();
  ASSERT_FALSE(undo_journal.empty());
  EXPECT_NE(undo_journal, run_journal);
  EXPECT_EQ(lines.substr(journal_line), "実行の記録: " + journalName(undo_journal) + "\r\n");
  const JournalRecord record = parseJournal(testing::readBytes(undo_journal));
  EXPECT_EQ(record.undoes, journalName(run_journal));
  EXPECT_EQ(record.total, 3);
  EXPECT_TRUE(undoOffered());

  // Undoing the undo makes the run's changes again.
  chooseUndo(MessageAnswer::yes);
  EXPECT_EQ(rows(), "a=100-0002 b=100-0002 c=100-0002 d=100-0001 e=300-0003 f=NULL");
  EXPECT_NE(h.windows.messages()[h.windows.messages().size() - 2].text.find(
                " の元に戻す操作（3 件）を元に戻しますか？"),
            std::string::npos);
}

TEST_F(UndoTest, ARowChangedSinceTheRunIsLeftAloneAndNamed) {
  FrmNorvel& w = h.w();
  h.click(w.cmd開始);
  // Someone else edits row a after the run.
  db->exec("UPDATE 住所 SET 郵便番号 = '999-9999' WHERE 町域 = 'a'");

  chooseUndo(MessageAnswer::yes);

  EXPECT_EQ(rows(), "a=999-9999 b=100-0001 c=100-0002 d=200-0001 e=300-0003 f=NULL");
  const std::string lines = h.statusLog();
  EXPECT_NE(lines.find("100-0002->100-0001 ... \r\n"
                       "                       1件置換しました。\r\n"
                       "行 rowid=1 は 100-0002 ではなくなっている（その後に変更された）ため、"
                       "元に戻していません。\r\n"
                       "その後に変更されていた 1 行は、元に戻さずにそのまま残しました。\r\n"
                       "実行の記録: "),
            std::string::npos)
      << lines;
}

TEST_F(UndoTest, CtrlZInTheStatusBoxUndoesAndElsewhereIsNotTheWindows) {
  FrmNorvel& w = h.w();
  h.click(w.cmd開始);
  EXPECT_FALSE(h.key(w.lst置換リスト, Key::undo));
  EXPECT_NE(rows(), original);

  h.windows.answerQuestion(MessageAnswer::yes);
  EXPECT_TRUE(h.key(w.txt状況, Key::undo));
  EXPECT_EQ(rows(), original);
  // The focus stays in the status box, as after a run.
  EXPECT_EQ(h.form().focus(), &w.txt状況);
}

TEST_F(UndoTest, ATableWhoseKeyIsTheFieldCannotBeUndone) {
  db->exec(
      "CREATE TABLE 番号 (郵便番号 TEXT PRIMARY KEY, 町域 TEXT) WITHOUT ROWID;"
      "INSERT INTO 番号 VALUES ('100-0001', 'a');");
  FrmNorvel& w = h.w();
  h.click(w.cmd接続);
  h.selectText(w.cobテーブル名, "番号");
  h.selectText(w.cobフィールド名, "郵便番号");
  h.click(w.cmd開始);
  EXPECT_EQ(db->scalar("SELECT 郵便番号 FROM 番号"), "100-0002");
  EXPECT_NE(h.statusLog().find("実行の記録: "), std::string::npos);
  EXPECT_FALSE(undoOffered());
}

}  // namespace
}  // namespace norvel
