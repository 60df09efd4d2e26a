#include <QAbstractItemView>
#include <QCheckBox>
#include <QImage>
#include <QInputMethodEvent>
#include <QPixmap>
#include <QScrollBar>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "frontends/qt/log_view.h"
#include "qt_window_harness.h"
#include "support/sqlite_fixture.h"

namespace norvel::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

// The window driven by keyboard alone, over a real SQLite file whose first table's first field
// is the postal code.
class Keyboard : public ::testing::Test {
 protected:
  void SetUp() override {
    SqliteFile(database).exec(
        "CREATE TABLE 住所 (郵便番号 TEXT, 都道府県 TEXT);"
        "INSERT INTO 住所 VALUES ('1000001', '東京都'), ('0600000', '北海道');"
        "CREATE TABLE 顧客 (氏名 TEXT);");
    writeBytes(h.pairFile(), "1000001,1000011\r\n");
    ASSERT_TRUE(h.start());
  }

  QWidget* focused() { return QApplication::focusWidget(); }
  void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(focused(), static_cast<Qt::Key>(key), modifiers);
    QApplication::processEvents();
  }
  std::string focusName() {
    return h.form().focus() != nullptr ? h.form().focus()->displayName() : "(none)";
  }
  // Names of the controls Tab (or Shift+Tab) visits, starting after the focused one, until the
  // focus comes back to where it started.
  std::vector<std::string> walk(bool forward) {
    std::vector<std::string> visited;
    const Control* start = h.form().focus();
    for (int i = 0; i < 40; ++i) {
      press(forward ? Qt::Key_Tab : Qt::Key_Backtab, forward ? Qt::NoModifier : Qt::ShiftModifier);
      EXPECT_THAT(h.differences(), IsEmpty()) << focusName();
      visited.push_back(focusName());
      if (h.form().focus() == start) break;
    }
    return visited;
  }
  // Connected, table and field chosen, a line selected and an old code typed: every control of
  // the window is enabled.
  void enableEverything() {
    h.connectAndPick(database, QStringLiteral("住所"), QStringLiteral("郵便番号"));
    h.clickListRow(h.w().lst置換リスト, 0);
    h.typeInto(h.w().txt置換元, QStringLiteral("1"));
    h.activate();
    for (const auto& owned : h.form().controls()) ASSERT_TRUE(owned->enabled()) << owned->name();
  }

  QtWindowHarness h;
  std::string database = h.dir.file("addresses.sqlite");
};

TEST_F(Keyboard, TabWalksEveryControlOfTheWindowInTabOrder) {
  enableEverything();
  h.v().focusWidgetOf(h.w().sst対象)->setFocus(Qt::TabFocusReason);
  const std::vector<std::string> common = {
      "cmd接続",       "lst置換リスト",   "txt置換元", "txt置換先", "cmd追加", "cmd削除",
      "cobテーブル名", "cobフィールド名", "txt状況",   "cmd開始",   "cmd終了", "sst対象"};
  struct Page {
    int tab;
    std::vector<std::string> own;  // the tab's controls, between the tab strip and 接続
  };
  for (const Page& page :
       std::vector<Page>{{0, {"txtMDBパス", "cmdMDBパス"}},
                         {1, {"txtOO4Oユーザ名", "txtOO4Oパスワード", "txtOO4Oホスト文字列"}},
                         {2, {"txtXLSパス", "chkフィールド名使用", "cmdXLSパス"}},
                         {3, {"txt接続文字列"}}}) {
    h.clickTab(page.tab);
    // Something to connect with on this tab; then the walk starts at the tab strip.
    if (page.tab != 0) h.typeInto(*h.form().focus(), QStringLiteral("x"));
    h.v().focusWidgetOf(h.w().sst対象)->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(focusName(), "sst対象");
    std::vector<std::string> expected = page.own;
    expected.insert(expected.end(), common.begin(), common.end());
    EXPECT_THAT(walk(true), ElementsAreArray(expected)) << page.tab;
    std::vector<std::string> backward(expected.rbegin() + 1, expected.rend());
    backward.push_back("sst対象");
    EXPECT_THAT(walk(false), ElementsAreArray(backward)) << page.tab;
  }
}

TEST_F(Keyboard, TabSkipsDisabledControls) {
  // Fresh window: nothing to connect, add, delete or start, no lists to choose from.
  EXPECT_EQ(focusName(), "txtMDBパス");
  EXPECT_THAT(walk(true), ElementsAre("cmdMDBパス", "lst置換リスト", "txt置換元", "txt置換先",
                                      "txt状況", "cmd終了", "sst対象", "txtMDBパス"));
}

TEST_F(Keyboard, EnterPressesTheFocusedButton) {
  h.typeInto(h.w().txt置換元, QStringLiteral("100-0001"));
  h.typeInto(h.w().txt置換先, QStringLiteral("100-0002"));
  press(Qt::Key_Tab);
  ASSERT_EQ(focusName(), "cmd追加");
  press(Qt::Key_Return);
  EXPECT_THAT(h.w().lst置換リスト.items(),
              ElementsAre("1000001 -> 1000011", "100-0001 -> 100-0002"));

  // The keypad's Enter too; a line is selected with the arrow keys first.
  h.v().focusWidgetOf(h.w().lst置換リスト)->setFocus(Qt::TabFocusReason);
  press(Qt::Key_Space);
  ASSERT_EQ(h.w().lst置換リスト.selectedIndex(), 0);
  // 追加 has nothing to add now: Tab passes it by.
  for (int i = 0; i < 3; ++i) press(Qt::Key_Tab);
  ASSERT_EQ(focusName(), "cmd削除");
  QTest::keyClick(focused(), Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_THAT(h.w().lst置換リスト.items(), ElementsAre("100-0001 -> 100-0002"));
  EXPECT_THAT(h.differences(), IsEmpty());

  // Enter on 終了 saves the list and ends, as its click does.
  h.v().focusWidgetOf(h.w().cmd終了)->setFocus(Qt::TabFocusReason);
  press(Qt::Key_Return);
  EXPECT_TRUE(h.form().terminated());
  EXPECT_EQ(readBytes(h.pairFile()), "100-0001,100-0002\r\n");
}

TEST_F(Keyboard, AltCMovesBetweenTheTwoButtonsThatShareItAndPressesTheOnlyOne) {
  h.typeInto(h.w().txtMDBパス, toQString(database));
  h.typeInto(h.w().txt置換元, QStringLiteral("100-0003"));
  h.v().focusWidgetOf(h.w().txtMDBパス)->setFocus(Qt::TabFocusReason);
  // Both enabled: each press moves on to the next one after the focus, and presses neither.
  for (const char* expected : {"cmd接続", "cmd追加", "cmd接続"}) {
    press(Qt::Key_C, Qt::AltModifier);
    EXPECT_EQ(focusName(), expected);
    EXPECT_FALSE(h.w().mbConnected());
    EXPECT_EQ(h.w().lst置換リスト.itemCount(), 1);
  }
  // From a control after 追加, the search wraps round to 接続.
  h.v().focusWidgetOf(h.w().cmd終了)->setFocus(Qt::TabFocusReason);
  press(Qt::Key_C, Qt::AltModifier);
  EXPECT_EQ(focusName(), "cmd接続");

  // Only 接続 enabled: the press connects.
  h.typeInto(h.w().txt置換元, QString());
  press(Qt::Key_A, Qt::ControlModifier);
  press(Qt::Key_Backspace);
  ASSERT_FALSE(h.shownEnabled(h.w().cmd追加));
  press(Qt::Key_C, Qt::AltModifier);
  EXPECT_TRUE(QTest::qWaitFor([&] { return h.w().mbConnected(); }, 2000));
  EXPECT_THAT(h.w().cobテーブル名.items(), ElementsAre("住所", "顧客"));
}

TEST_F(Keyboard, DownAndEnterInADroppedListPickTheFirstLine) {
  h.connectTo(database);
  auto* tables = h.widget<QComboBox>(h.w().cobテーブル名);
  ASSERT_TRUE(tables->view()->isVisible());
  QTest::keyClick(tables->view(), Qt::Key_Down);
  QTest::keyClick(tables->view(), Qt::Key_Return);
  QApplication::processEvents();
  EXPECT_EQ(h.w().cobテーブル名.currentText(), "住所");

  auto* fields = h.widget<QComboBox>(h.w().cobフィールド名);
  ASSERT_TRUE(fields->view()->isVisible()) << "the field list opens after the table is chosen";
  QTest::keyClick(fields->view(), Qt::Key_Down);
  QTest::keyClick(fields->view(), Qt::Key_Return);
  QApplication::processEvents();
  EXPECT_EQ(h.w().cobフィールド名.currentText(), "郵便番号");

  // With a line chosen, Down goes on to the next one.
  h.activate();
  QTest::keyClick(fields, Qt::Key_Down, Qt::AltModifier);
  ASSERT_TRUE(fields->view()->isVisible());
  QTest::keyClick(fields->view(), Qt::Key_Down);
  QTest::keyClick(fields->view(), Qt::Key_Return);
  QApplication::processEvents();
  EXPECT_EQ(h.w().cobフィールド名.currentText(), "都道府県");
  h.activate();
  EXPECT_THAT(h.differences(), IsEmpty());
}

TEST_F(Keyboard, DeleteEnterAndTheTabStripArrowsDoWhatTheirButtonsAndTabsDo) {
  // Delete in the list deletes the selected pair.
  h.clickListRow(h.w().lst置換リスト, 0);
  ASSERT_EQ(focusName(), "lst置換リスト");
  press(Qt::Key_Delete);
  EXPECT_EQ(h.w().lst置換リスト.itemCount(), 0);
  EXPECT_EQ(h.widget<QListWidget>(h.w().lst置換リスト)->count(), 0);

  // Enter after the new code adds the pair.
  h.typeInto(h.w().txt置換元, QStringLiteral("100-0001"));
  h.typeInto(h.w().txt置換先, QStringLiteral("100-0002"));
  press(Qt::Key_Return);
  EXPECT_THAT(h.w().lst置換リスト.items(), ElementsAre("100-0001 -> 100-0002"));
  EXPECT_EQ(focusName(), "txt置換元");
  EXPECT_THAT(h.differences(), IsEmpty());

  // Right and Left walk the tabs; the focus stays on the strip.
  auto* tabs = h.widget<QTabWidget>(h.w().sst対象);
  tabs->tabBar()->setFocus(Qt::TabFocusReason);
  QApplication::processEvents();
  for (const int expected : {1, 2, 3, 3}) {
    press(Qt::Key_Right);
    EXPECT_EQ(h.form().currentTab(), expected);
    EXPECT_EQ(tabs->currentIndex(), expected);
    EXPECT_EQ(focused(), tabs->tabBar()) << expected;
    EXPECT_THAT(h.differences(), IsEmpty());
  }
  for (int i = 0; i < 3; ++i) press(Qt::Key_Left);
  EXPECT_EQ(tabs->currentIndex(), 0);
  EXPECT_EQ(focusName(), "sst対象");

  // Enter in the path box connects.
  h.typeInto(h.w().txtMDBパス, toQString(database));
  press(Qt::Key_Return);
  EXPECT_TRUE(QTest::qWaitFor([&] { return h.w().mbConnected(); }, 2000));
  EXPECT_THAT(h.w().cobテーブル名.items(), ElementsAre("住所", "顧客"));
}

// The focused control looks different from the same control without the focus.
bool focusShows(QWidget* widget, QWidget* elsewhere) {
  widget->setFocus(Qt::OtherFocusReason);
  QApplication::processEvents();
  const QImage with = widget->grab().toImage();
  elsewhere->setFocus(Qt::OtherFocusReason);
  QApplication::processEvents();
  return widget->grab().toImage() != with;
}

TEST_F(Keyboard, TheFocusIsAlwaysDrawn) {
  enableEverything();
  QWidget* elsewhere = h.v().widgetOf(h.w().txt置換先);
  for (Control* control : {&h.w().txt状況, &h.w().cobテーブル名, &h.w().cobフィールド名,
                           &h.w().cmd終了, &h.w().cmd開始, &h.w().lst置換リスト}) {
    EXPECT_TRUE(focusShows(h.v().widgetOf(*control), elsewhere)) << control->name();
  }
}

// Pixels of the highlight colour the focus adds to the control.
int focusPixels(QWidget* widget, QWidget* elsewhere) {
  const QRgb highlight = widget->palette().color(QPalette::Active, QPalette::Highlight).rgb();
  const auto count = [&] {
    QApplication::processEvents();
    const QImage image = widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
    int found = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) found += image.pixel(x, y) == highlight ? 1 : 0;
    }
    return found;
  };
  elsewhere->setFocus(Qt::OtherFocusReason);
  const int without = count();
  widget->setFocus(Qt::OtherFocusReason);
  return count() - without;
}

TEST(FocusFrame, IsASolidFrameInTheHighlightColourAtEveryResolution) {
  for (double dpi : {96.0, 144.0}) {
    QtWindowHarness h;
    h.dpi = dpi;
    SqliteFile(h.dir.file("a.sqlite")).exec("CREATE TABLE t (code TEXT);");
    writeBytes(h.pairFile(), "1000001,1000011\r\n");
    ASSERT_TRUE(h.start());
    h.connectAndPick(h.dir.file("a.sqlite"), QStringLiteral("t"), QStringLiteral("code"));
    h.activate();
    QWidget* elsewhere = h.v().widgetOf(h.w().txt置換先);
    // More pixels than a line across the control: a frame, not a tint or a hairline.
    for (Control* control :
         {&h.w().cmdMDBパス, &h.w().txtMDBパス, &h.w().lst置換リスト, &h.w().cobテーブル名,
          &h.w().txt状況, &h.w().cmd終了, &h.w().sst対象}) {
      QWidget* widget = h.v().focusWidgetOf(*control);
      EXPECT_GE(focusPixels(widget, elsewhere), widget->width())
          << control->name() << " at " << dpi;
    }
    // On a selected line, whose fill is the highlight colour, the frame takes the text colour.
    h.clickListRow(h.w().lst置換リスト, 0);
    QWidget* list = h.v().widgetOf(h.w().lst置換リスト);
    const QImage with = list->grab().toImage();
    elsewhere->setFocus(Qt::OtherFocusReason);
    QApplication::processEvents();
    const QImage without = list->grab().toImage();
    int changed = 0;
    for (int y = 0; y < with.height(); ++y) {
      for (int x = 0; x < with.width(); ++x) changed += with.pixel(x, y) != without.pixel(x, y);
    }
    EXPECT_GE(changed, list->width()) << dpi;
  }
}

TEST_F(Keyboard, AnAddedPairIsScrolledIntoViewAndALongLineIsNotShortened) {
  auto* list = h.widget<QListWidget>(h.w().lst置換リスト);
  for (int i = 0; i < 25; ++i) {
    h.typeInto(h.w().txt置換元, QString::number(2000000 + i));
    press(Qt::Key_Tab);
    press(Qt::Key_Tab);
    press(Qt::Key_Return);
  }
  const auto inView = [&](int row) {
    return list->viewport()->rect().contains(list->visualItemRect(list->item(row)));
  };
  ASSERT_EQ(list->count(), 26);
  EXPECT_TRUE(inView(25));
  EXPECT_FALSE(inView(0));

  // Japanese text arrives from the input method.
  const QString long_old = QStringLiteral("東京都千代田区千代田一丁目一番一号");
  h.clickAt(h.v().widgetOf(h.w().txt置換元));
  QInputMethodEvent typed;
  typed.setCommitString(long_old);
  QApplication::sendEvent(focused(), &typed);
  h.typeInto(h.w().txt置換先, QStringLiteral("100-0001"));
  h.click(h.w().cmd追加);
  QListWidgetItem* line = list->item(26);
  ASSERT_EQ(line->text(), long_old + QStringLiteral(" -> 100-0001"));
  EXPECT_TRUE(inView(26) || list->horizontalScrollBar()->maximum() > 0);
  // The whole line is laid out (the list scrolls sideways to it), the new code included.
  EXPECT_GE(list->visualItemRect(line).width(),
            list->fontMetrics().horizontalAdvance(line->text()));
  EXPECT_GT(list->horizontalScrollBar()->maximum(), 0);
}

}  // namespace
}  // namespace norvel::testing
