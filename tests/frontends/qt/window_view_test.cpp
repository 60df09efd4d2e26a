#include <QPlainTextEdit>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "frontends/qt/log_view.h"
#include "qt_window_harness.h"

namespace norvel::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(WindowView, OpensAsTheModelHasIt) {
  QtWindowHarness h;
  writeBytes(h.pairFile(), "100-0001,100-0002\r\n100-0003,\r\n");
  ASSERT_TRUE(h.start());
  FormView& view = h.v();
  EXPECT_EQ(view.windowTitle(), QStringLiteral("郵便番号置換ユーティリティ"));
  EXPECT_THAT(h.w().lst置換リスト.items(), ElementsAre("100-0001 -> 100-0002", "100-0003 -> "));
  EXPECT_THAT(h.differences(), IsEmpty());
  EXPECT_EQ(QApplication::focusWidget(), view.widgetOf(h.w().txtMDBパス));
  for (Control* off : {&h.w().cmd接続, &h.w().cmd追加, &h.w().cmd削除, &h.w().cmd開始,
                       &h.w().cobテーブル名, &h.w().cobフィールド名}) {
    EXPECT_FALSE(h.shownEnabled(*off)) << off->name();
  }
  EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the load's hourglass is released";

  EXPECT_EQ(view.minimumSize(), view.maximumSize()) << "a fixed window";
  EXPECT_FALSE(view.windowFlags() & (Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint));
  EXPECT_EQ(h.widget<QPushButton>(h.w().cmd接続)->text(), QStringLiteral("接続(&C)"));
  EXPECT_EQ(h.widget<QPushButton>(h.w().cmd開始)->text(), QStringLiteral("開始(&G)"));
  EXPECT_EQ(h.widget<QPushButton>(h.w().cmd終了)->shortcut(), QKeySequence("Alt+X"));
  // The password box shows no characters; the model keeps the typed text.
  EXPECT_EQ(h.widget<QLineEdit>(h.w().txtOO4Oパスワード)->echoMode(), QLineEdit::Password);
}

class InputView : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(h.start()); }
  QtWindowHarness h;
};

TEST_F(InputView, TypingAndTabSwitchesDriveConnectAndFocus) {
  Control& path = h.w().txtMDBパス;
  auto* edit = h.widget<QLineEdit>(path);
  h.typeInto(path, QStringLiteral("/data/a.db"));
  EXPECT_TRUE(h.shownEnabled(h.w().cmd接続));
  edit->setCursorPosition(6);
  QTest::keyClicks(edit, QStringLiteral("x"));
  EXPECT_EQ(path.text(), "/data/xa.db");
  EXPECT_EQ(edit->cursorPosition(), 7) << "the caret stays where the user types";
  QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(edit, Qt::Key_Backspace);
  EXPECT_EQ(path.text(), "");
  EXPECT_FALSE(h.shownEnabled(h.w().cmd接続));
  QTest::keyClick(edit, Qt::Key_Tab);
  EXPECT_EQ(h.form().focus(), &h.w().cmdMDBパス);

  struct Step {
    int tab;
    Control* focus;
    const char* typed;
    bool connect;
  };
  for (const Step& s : std::vector<Step>{{1, &h.w().txtOO4Oユーザ名, "scott", true},
                                         {0, &path, "", false},
                                         {1, &h.w().txtOO4Oユーザ名, "", true},
                                         {3, &h.w().txt接続文字列, "", false}}) {
    h.clickTab(s.tab);
    EXPECT_EQ(h.form().currentTab(), s.tab);
    EXPECT_EQ(h.form().focus(), s.focus) << s.tab;
    EXPECT_TRUE(h.v().widgetOf(*s.focus)->isVisible()) << s.tab;
    if (*s.typed) h.typeInto(*s.focus, QString::fromUtf8(s.typed));
    EXPECT_EQ(h.shownEnabled(h.w().cmd接続), s.connect) << s.tab;
    EXPECT_THAT(h.differences(), IsEmpty()) << s.tab;
  }

  // The connection string box keeps its lines with CR LF.
  QWidget* lines = h.v().widgetOf(h.w().txt接続文字列);
  QTest::keyClicks(lines, QStringLiteral("Provider=SQLite;"));
  QTest::keyClick(lines, Qt::Key_Return);
  QTest::keyClicks(lines, QStringLiteral("Data Source=x"));
  EXPECT_EQ(h.w().txt接続文字列.text(), "Provider=SQLite;\r\nData Source=x");
  EXPECT_TRUE(h.shownEnabled(h.w().cmd接続));
}

TEST_F(InputView, AddingSelectingAndDeletingPairs) {
  Control& list = h.w().lst置換リスト;
  h.typeInto(h.w().txt置換元, QStringLiteral("100-0001"));
  EXPECT_TRUE(h.shownEnabled(h.w().cmd追加));
  h.typeInto(h.w().txt置換先, QStringLiteral("100-0002"));
  h.click(h.w().cmd追加);
  for (const char* code : {"100-0003", "100-0004"}) {
    h.typeInto(h.w().txt置換元, QString::fromUtf8(code));
    h.click(h.w().cmd追加);
  }
  EXPECT_THAT(list.items(), ElementsAre("100-0001 -> 100-0002", "100-0003 -> ", "100-0004 -> "));
  EXPECT_EQ(h.w().mPairs()->GetSize(), 3);
  EXPECT_FALSE(h.shownEnabled(h.w().cmd追加));
  EXPECT_THAT(h.differences(), IsEmpty());

  // Reaching the list with the keyboard selects nothing; Space selects the current line.
  QTest::keyClick(h.v().widgetOf(h.w().txt置換元), Qt::Key_Tab, Qt::ShiftModifier);
  EXPECT_EQ(h.form().focus(), &list);
  EXPECT_EQ(list.selectedIndex(), -1);
  EXPECT_FALSE(h.shownEnabled(h.w().cmd削除));
  QTest::keyClick(h.v().widgetOf(list), Qt::Key_Space);
  EXPECT_EQ(list.selectedIndex(), 0);

  h.clickListRow(list, 1);
  EXPECT_TRUE(h.shownEnabled(h.w().cmd削除));
  h.click(h.w().cmd削除);
  EXPECT_THAT(list.items(), ElementsAre("100-0001 -> 100-0002", "100-0004 -> "));
  EXPECT_EQ(list.selectedIndex(), 1) << "the line that moved up is selected";
  EXPECT_THAT(h.differences(), IsEmpty());

  // Alt+D presses 削除(&D) wherever the focus is; the button shows itself pressed first.
  QTest::keyClick(h.v().widgetOf(list), Qt::Key_D, Qt::AltModifier);
  EXPECT_TRUE(QTest::qWaitFor([&] { return list.itemCount() == 1; }, 2000));
  EXPECT_EQ(h.w().mPairs()->GetSize(), 1);
  h.click(h.w().cmd削除);
  EXPECT_TRUE(list.items().empty());
  EXPECT_FALSE(h.shownEnabled(h.w().cmd削除));
  EXPECT_THAT(h.differences(), IsEmpty());
}

TEST_F(InputView, ProgramWritesReachTheWidgetsWithoutComingBackAsInput) {
  struct Counter : FormObserver {
    const Control* box;
    int count = 0;
    explicit Counter(const Control* b) : box(b) {}
    void textChanged(Control& control) override { count += &control == box; }
  } counter(&h.w().txtXLSパス);
  h.form().addObserver(&counter);
  h.w().txtXLSパス.setText("/tmp/book.xlsx");
  h.form().setCurrentTab(2);
  QApplication::processEvents();
  h.form().removeObserver(&counter);
  EXPECT_EQ(counter.count, 1);
  EXPECT_EQ(h.widget<QLineEdit>(h.w().txtXLSパス)->text(), QStringLiteral("/tmp/book.xlsx"));
  EXPECT_EQ(h.widget<QTabWidget>(h.w().sst対象)->currentIndex(), 2);
}

TEST_F(InputView, StatusBoxIsAReadOnlyLogThatFollowsTheCaret) {
  Control& status = h.w().txt状況;
  auto* box = h.widget<LogView>(status);
  h.typeInto(status, QStringLiteral("typed"));
  EXPECT_EQ(status.text(), "");

  // A CR LF split across two appends still ends one line.
  status.appendText("100-0001->100-0002 ... \r\n       1件置換しました。\r");
  status.appendText("\nnext");
  EXPECT_EQ(box->text(), QStringLiteral("100-0001->100-0002 ... \n       1件置換しました。\nnext"));
  EXPECT_EQ(toModelLines(box->text()), status.text());

  status.setText("");
  for (int i = 0; i < 300; ++i) status.appendText("line " + std::to_string(i) + "\r\n");
  status.setSelectionStart(status.text().size());
  EXPECT_TRUE(QTest::qWaitFor([&] { return box->showsLastLine(); }, 1000)) << "within a refresh";
  // A caret inside the text, counted in the model's bytes, brings its line into view.
  status.setSelectionStart(status.text().find("line 10\r\n"));
  h.v().refreshLogs();
  EXPECT_EQ(box->topLine(), 10);
}

}  // namespace
}  // namespace norvel::testing
