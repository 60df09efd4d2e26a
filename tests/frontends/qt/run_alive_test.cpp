#include <QClipboard>
#include <QDir>
#include <QMenu>
#include <QTextLayout>

#include <unistd.h>

#include <cstdlib>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "frontends/qt/line_breaking.h"
#include "frontends/qt/log_view.h"
#include "platform/odbc/odbc_connection.h"
#include "qt_window_harness.h"
#include "support/sqlite_fixture.h"

namespace norvel::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Lines of the status box as they wrap: a text full of what may not begin or end a line.
TEST(LineBreaking, NoRowBeginsWithClosingPunctuationOrEndsWithAnOpeningBracket) {
  const QString text = QStringLiteral(
      "置換リストの２番目のペア「100-0003 -> "
      "bad」は、数値型のフィールド「番号」の置換に使えません。"
      "（確認のみ）変更はしていません。『引用』（括弧）、読点、句点。ー長音ッ小書き…"
      "「「二重」」。」");
  QFont font = QApplication::font();
  for (int width = 24; width <= 480; width += 3) {
    QTextLayout layout(text, font);
    layoutRows(layout, width);
    ASSERT_GE(layout.lineCount(), 1);
    int next = 0;
    for (int row = 0; row < layout.lineCount(); ++row) {
      const QTextLine line = layout.lineAt(row);
      ASSERT_EQ(line.textStart(), next) << "rows cover the text in order";
      ASSERT_GE(line.textLength(), 1);
      next = line.textStart() + line.textLength();
      const bool last = row + 1 == layout.lineCount();
      const QChar first = text[line.textStart()];
      const QChar end = text[next - 1];
      // A row that holds one character only had nothing to give the row before.
      if (row > 0 && layout.lineAt(row - 1).textLength() > 1) {
        EXPECT_TRUE(mayBeginLine(first))
            << width << ": row " << row << " begins with " << QString(first).toStdString();
      }
      if (!last && line.textLength() > 1) {
        EXPECT_TRUE(mayEndLine(end))
            << width << ": row " << row << " ends with " << QString(end).toStdString();
      }
    }
    EXPECT_EQ(next, text.size());
  }
  EXPECT_FALSE(mayBeginLine(QChar(u'。')));
  EXPECT_FALSE(mayBeginLine(QChar(u'、')));
  EXPECT_FALSE(mayBeginLine(QChar(u'」')));
  EXPECT_FALSE(mayBeginLine(QChar(u'』')));
  EXPECT_FALSE(mayBeginLine(QChar(u'）')));
  EXPECT_FALSE(mayEndLine(QChar(u'「')));
  EXPECT_TRUE(mayBeginLine(QChar(u'置')));
}

class RunAlive : public ::testing::Test {
 protected:
  void SetUp() override {
    SqliteFile(database).exec(
        "CREATE TABLE 住所 (郵便番号 TEXT, 住所 TEXT);"
        "INSERT INTO 住所 VALUES ('1000001', '東京都千代田区千代田'), ('1000002', '東京都');");
  }

  QtWindowHarness h;
  std::string database = h.dir.file("addresses.sqlite");
};

// After a run the log is kept: the focus is on it, and its context menu selects, copies and saves
// it as UTF-8 text.
TEST_F(RunAlive, TheStatusBoxKeepsTheFocusAndCopiesAndSavesTheLog) {
  writeBytes(h.pairFile(), "1000001,1000011\r\n1000002,1000012\r\n");
  ASSERT_TRUE(h.start());
  auto* status = h.widget<LogView>(h.w().txt状況);
  {
    const std::unique_ptr<QMenu> empty = status->createContextMenu();
    for (QAction* action : empty->actions())
      EXPECT_FALSE(action->isEnabled() && !action->isSeparator());
  }
  h.connectAndPick(database, QStringLiteral("住所"), QStringLiteral("郵便番号"));
  {
    DialogAnswerer answerer;
    h.click(h.w().cmd開始);
    ASSERT_EQ(answerer.messages.size(), 1u);
  }
  h.activate();
  EXPECT_EQ(h.form().focus(), &h.w().txt状況);
  EXPECT_EQ(QApplication::focusWidget(), status);
  EXPECT_THAT(h.differences(), IsEmpty());
  // One more Enter does not end the program.
  ASSERT_FALSE(h.form().terminated());
  QTest::keyClick(status, Qt::Key_Return);
  QApplication::processEvents();
  EXPECT_FALSE(h.form().terminated());

  const std::unique_ptr<QMenu> menu = status->createContextMenu();
  QStringList names;
  for (QAction* action : menu->actions()) names << action->text();
  EXPECT_THAT(names, ElementsAre(QStringLiteral("すべて選択(&A)"), QStringLiteral("コピー(&C)"),
                                 QString(), QStringLiteral("ファイルに保存(&S)..."), QString(),
                                 QStringLiteral("直前の置換を元に戻す(&U)")));
  for (QAction* action : menu->actions()) EXPECT_TRUE(action->isEnabled() || action->isSeparator());

  const QString log = toQString(h.w().txt状況.text()).replace(QStringLiteral("\r\n"), "\n");
  QApplication::clipboard()->clear();
  menu->actions()[0]->trigger();
  EXPECT_TRUE(status->allSelected());
  menu->actions()[1]->trigger();
  EXPECT_EQ(QApplication::clipboard()->text(), log);
  // A click puts the selection away.
  h.clickAt(status->viewport());
  EXPECT_FALSE(status->allSelected());

  DialogAnswerer answerer;
  const std::string saved = h.dir.file("状況.txt");
  answerer.file_answer = toQString(saved);
  menu->actions()[3]->trigger();
  ASSERT_EQ(answerer.file_dialogs.size(), 1u);
  EXPECT_EQ(readBytes(saved), log.toStdString());
  EXPECT_NE(readBytes(saved).find("1000001->1000011 ... \n"), std::string::npos);

  // A file that cannot be written is told with the system's words, and nothing else changes.
  answerer.file_answer = toQString(h.dir.file("無い/状況.txt"));
  menu->actions()[3]->trigger();
  ASSERT_EQ(answerer.messages.size(), 1u);
  EXPECT_EQ(answerer.messages[0].icon, QMessageBox::Warning);
  EXPECT_TRUE(answerer.messages[0].text.startsWith(QStringLiteral("状況を保存できませんでした。")))
      << answerer.messages[0].text.toStdString();
  EXPECT_EQ(toModelLines(status->text()), h.w().txt状況.text());

  // Shift+F10 opens the same menu from the keyboard.
  bool menu_seen = false;
  QTimer::singleShot(50, [&] {
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (auto* open = qobject_cast<QMenu*>(top); open != nullptr && open->isVisible()) {
        menu_seen = open->actions().size() == 6;
        open->close();
      }
    }
  });
  status->setFocus();
  QTest::keyClick(status, Qt::Key_F10, Qt::ShiftModifier);
  EXPECT_TRUE(menu_seen);
}

// The last run is undone from the status box's context menu or with Ctrl+Z there, after a
// question whose default is いいえ.
TEST_F(RunAlive, TheStatusBoxUndoesTheLastRunByMenuAndByCtrlZ) {
  writeBytes(h.pairFile(), "1000001,1000011\r\n");
  ASSERT_TRUE(h.start());
  auto* status = h.widget<LogView>(h.w().txt状況);
  h.connectAndPick(database, QStringLiteral("住所"), QStringLiteral("郵便番号"));
  auto undoEntry = [&] {
    const std::unique_ptr<QMenu> menu = status->createContextMenu();
    QAction* last = menu->actions().back();
    EXPECT_EQ(last->text(), QStringLiteral("直前の置換を元に戻す(&U)"));
    EXPECT_EQ(last->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
    return last->isEnabled();
  };
  auto codes = [&] {
    return SqliteFile(database).scalar("SELECT group_concat(郵便番号, ' ') FROM 住所");
  };
  EXPECT_FALSE(undoEntry());
  {
    DialogAnswerer answerer;
    h.click(h.w().cmd開始);
  }
  h.activate();
  EXPECT_EQ(codes(), "1000011 1000002");
  EXPECT_TRUE(undoEntry());

  // By mouse: the menu's entry, then いいえ (the default) and nothing changes.
  {
    DialogAnswerer answerer;
    const std::unique_ptr<QMenu> menu = status->createContextMenu();
    menu->actions().back()->trigger();
    QTest::qWait(50);
    ASSERT_EQ(answerer.messages.size(), 1u);
    EXPECT_EQ(answerer.messages[0].icon, QMessageBox::Question);
    EXPECT_EQ(answerer.messages[0].default_button, QMessageBox::No);
    EXPECT_TRUE(
        answerer.messages[0].text.contains(QStringLiteral(" の置換（1 件）を元に戻しますか？")))
        << answerer.messages[0].text.toStdString();
  }
  EXPECT_EQ(codes(), "1000011 1000002");

  // By keyboard: Ctrl+Z in the status box, then はい.
  {
    DialogAnswerer answerer;
    answerer.question_answers = {QMessageBox::Yes};
    h.activate();
    status->setFocus();
    QTest::keyClick(status, Qt::Key_Z, Qt::ControlModifier);
    QApplication::processEvents();
    ASSERT_EQ(answerer.messages.size(), 2u);
    EXPECT_EQ(answerer.messages[1].text.trimmed(), QStringLiteral("1件置換しました。"));
  }
  EXPECT_EQ(codes(), "1000001 1000002");
  EXPECT_TRUE(toQString(h.w().txt状況.text()).contains(QStringLiteral(" の実行を元に戻す ――")));
  // The undo's own journal is named, and is the next one to undo.
  EXPECT_TRUE(status->line(status->lineCount() - 2).startsWith(QStringLiteral("実行の記録: ")));
  EXPECT_TRUE(undoEntry());
}

// Closing the window with a changed pair list asks: はい saves as 保存 does, キャンセル keeps the
// window open.
TEST_F(RunAlive, ClosingWithAChangedListAsksWhetherToSave) {
  writeBytes(h.pairFile(), "1000001,1000011\r\n");
  ASSERT_TRUE(h.start());
  h.typeInto(h.w().txt置換元, QStringLiteral("1000002"));
  h.click(h.w().cmd追加);
  DialogAnswerer answerer;
  answerer.question_answers = {QMessageBox::Cancel, QMessageBox::Yes};
  EXPECT_FALSE(h.v().close());
  EXPECT_TRUE(h.v().isVisible());
  EXPECT_FALSE(h.form().terminated());
  EXPECT_EQ(readBytes(h.pairFile()), "1000001,1000011\r\n");
  EXPECT_TRUE(h.v().close());
  ASSERT_EQ(answerer.messages.size(), 2u);
  for (const SeenMessage& message : answerer.messages) {
    EXPECT_EQ(message.icon, QMessageBox::Question);
    EXPECT_TRUE(
        message.text.startsWith(QStringLiteral("置換リストが変更されています。保存しますか？")));
  }
  EXPECT_TRUE(h.form().terminated() && h.windows.ended());
  EXPECT_EQ(readBytes(h.pairFile()), "1000001,1000011\r\n1000002,\r\n");
}

// The PostgreSQL server CI starts; without it the test skips, except in CI where it fails.
std::string postgresConnectionString() {
  const char* value = std::getenv("NORVEL_TEST_PG");
  return value == nullptr ? std::string() : std::string(value);
}

// The window while another session's lock holds its run: it paints, shows the step, holds the
// run's inputs, and Esc with はい interrupts the run and rolls it back.
TEST(RunAliveOnPostgres, EscInterruptsARunThatWaitsForALock) {
  const std::string connection_string = postgresConnectionString();
  if (connection_string.empty()) {
    const char* ci = std::getenv("CI");
    if (ci != nullptr && std::string(ci) == "true") FAIL() << "NORVEL_TEST_PG is not set in CI";
    GTEST_SKIP() << "NORVEL_TEST_PG is not set";
  }
  const std::string table = "住所_qt_" + std::to_string(::getpid());
  const std::unique_ptr<DatabaseConnection> admin = openOdbc(connection_string);
  admin->execute("DROP TABLE IF EXISTS " + table);
  admin->execute("CREATE TABLE " + table + " (郵便番号 text, 番号 integer)");
  admin->execute("INSERT INTO " + table +
                 " SELECT '100-0003', 1 FROM generate_series(1, 500) UNION ALL "
                 "SELECT '100-0001', 2");
  auto count = [&](const std::string& code) {
    return admin->execute("UPDATE " + table + " SET 番号 = 番号 WHERE 郵便番号 = '" + code + "'");
  };
  const std::unique_ptr<DatabaseConnection> locker = openOdbc(connection_string);

  QtWindowHarness h;
  writeBytes(h.pairFile(), "100-0001,100-0002\r\n100-0003,100-0004\r\n");
  ASSERT_TRUE(h.start());
  h.clickTab(3);
  h.typeInto(h.w().txt接続文字列, toQString(connection_string));
  h.click(h.w().cmd接続);
  ASSERT_TRUE(h.w().mbConnected());
  h.pickFromOpenList(h.w().cobテーブル名, toQString(table));
  QApplication::processEvents();
  h.pickFromOpenList(h.w().cobフィールド名, QStringLiteral("郵便番号"));
  ASSERT_TRUE(h.shownEnabled(h.w().cmd開始));

  locker->beginTransaction();
  locker->execute("UPDATE " + table + " SET 番号 = 番号 WHERE 郵便番号 = '100-0003'");
  auto* status = h.widget<LogView>(h.w().txt状況);
  QString progress_while_waiting;
  bool start_shown_enabled = true;
  QTimer watcher;
  QObject::connect(&watcher, &QTimer::timeout, [&] {
    const QueryRows waiting = admin->queryRows(
        SqlStatement("SELECT count(*) FROM pg_stat_activity WHERE datname = current_database() AND "
                     "state = 'active' AND wait_event_type = 'Lock' AND query LIKE '%" +
                     table + "%'"));
    if (waiting.empty() || !waiting[0][0] || *waiting[0][0] == "0") return;
    watcher.stop();
    status->refresh();
    progress_while_waiting = status->progressLine();
    start_shown_enabled = h.shownEnabled(h.w().cmd開始);
    // The window as the user sees it while the run waits, kept beside the build for review.
    const QString folder = QStringLiteral(NORVEL_ARTIFACT_DIR);
    QDir().mkpath(folder);
    h.v().grab().save(folder + "/norvel-running.png", "PNG");
    QWidget* target = QApplication::focusWidget() != nullptr ? QApplication::focusWidget()
                                                             : static_cast<QWidget*>(&h.v());
    QTest::keyClick(target, Qt::Key_Escape);
  });
  watcher.start(20);
  DialogAnswerer answerer;
  answerer.question_answers = {QMessageBox::Yes};
  h.click(h.w().cmd開始);
  watcher.stop();
  locker->rollbackTransaction();

  EXPECT_TRUE(progress_while_waiting.startsWith(QStringLiteral("置換しています")))
      << progress_while_waiting.toStdString();
  EXPECT_FALSE(start_shown_enabled);
  // The question, then no failure box but what became of the data.
  ASSERT_EQ(answerer.messages.size(), 2u);
  EXPECT_EQ(answerer.messages[0].icon, QMessageBox::Question);
  EXPECT_TRUE(answerer.messages[0].text.startsWith(QStringLiteral("置換を中断しますか？")));
  EXPECT_FALSE(answerer.messages[0].wait_cursor) << "the question is answered with the arrow";
  EXPECT_TRUE(answerer.messages[1].text.startsWith(QStringLiteral("中断したため、")));
  EXPECT_EQ(count("100-0001"), 1);
  EXPECT_EQ(count("100-0003"), 500);
  EXPECT_EQ(status->progressLine(), QString());
  h.activate();
  EXPECT_TRUE(h.shownEnabled(h.w().cmd開始));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_THAT(h.differences(), IsEmpty());
  // The window's connection is closed before the table is dropped; the view goes first, as it
  // watches the window's form.
  h.view.reset();
  h.window.reset();
  admin->execute("DROP TABLE IF EXISTS " + table);
}

}  // namespace
}  // namespace norvel::testing
