#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QPushButton>
#include <QSet>

#include <functional>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "frontends/qt/log_view.h"
#include "frontends/qt/open_dialog_filter.h"
#include "frontends/qt/twips.h"
#include "qt_window_harness.h"
#include "support/sqlite_fixture.h"
#include "ui/frm_norvel_inventory.h"

namespace norvel::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::StartsWith;

class RunView : public ::testing::Test {
 protected:
  void SetUp() override {
    SqliteFile(database).exec(
        "CREATE TABLE 住所 (郵便番号 TEXT, 住所 TEXT);"
        "INSERT INTO 住所 VALUES ('1000001', '東京都千代田区千代田'), ('1000001', '東京都'),"
        " ('1000002', '東京都千代田区皇居外苑'), ('0600000', '北海道札幌市中央区');"
        "CREATE TABLE 顧客 (氏名 TEXT, 郵便番号 TEXT);");
  }
  std::string count(const std::string& code) {
    return SqliteFile(database).scalar("SELECT COUNT(*) FROM 住所 WHERE 郵便番号 = '" + code + "'");
  }

  QtWindowHarness h;
  std::string database = h.dir.file("addresses.sqlite");
};

TEST_F(RunView, ConnectPickRunAndRenderTheWindow) {
  writeBytes(h.pairFile(), "1000001,1000011\r\n1000002,1000012\r\n9999999,1000019\r\n");
  ASSERT_TRUE(h.start());
  h.connectTo(database);
  auto* tables = h.widget<QComboBox>(h.w().cobテーブル名);
  EXPECT_TRUE(h.w().mbConnected());
  EXPECT_THAT(h.w().cobテーブル名.items(), ElementsAre("住所", "顧客"));
  EXPECT_EQ(tables->currentIndex(), -1) << "nothing is chosen for the user";
  EXPECT_TRUE(tables->view()->isVisible()) << "the queued F4 opened the list";
  EXPECT_EQ(h.form().focus(), &h.w().cobテーブル名);

  // Closing the list without a choice tells the model, so that the next F4 opens it again.
  QTest::keyClick(tables->view(), Qt::Key_Escape);
  QApplication::processEvents();
  EXPECT_FALSE(h.w().cobテーブル名.droppedDown());
  h.activate();
  EXPECT_THAT(h.differences(), IsEmpty());
  h.windows.requestDropDown();
  QApplication::processEvents();
  EXPECT_TRUE(tables->view()->isVisible());

  h.pickFromOpenList(h.w().cobテーブル名, QStringLiteral("住所"));
  QApplication::processEvents();
  auto* fields = h.widget<QComboBox>(h.w().cobフィールド名);
  EXPECT_THAT(h.w().cobフィールド名.items(), ElementsAre("郵便番号", "住所"));
  EXPECT_TRUE(fields->view()->isVisible()) << "the field list opens after the table is chosen";
  EXPECT_FALSE(h.shownEnabled(h.w().cmd開始));
  h.pickFromOpenList(h.w().cobフィールド名, QStringLiteral("郵便番号"));
  EXPECT_EQ(fields->currentText(), QStringLiteral("郵便番号"));
  EXPECT_TRUE(h.shownEnabled(h.w().cmd開始));

  DialogAnswerer answerer;
  h.click(h.w().cmd開始);
  ASSERT_EQ(answerer.messages.size(), 1u);
  const SeenMessage& message = answerer.messages[0];
  EXPECT_EQ(message.title, QStringLiteral("郵便番号置換ユーティリティ"));
  EXPECT_EQ(message.text, QStringLiteral("3件置換しました。") + QString(60 - 17, ' '));
  EXPECT_EQ(message.icon, QMessageBox::Information);
  EXPECT_TRUE(message.modal);
  EXPECT_TRUE(message.wait_cursor) << "the run still holds the hourglass";
  EXPECT_EQ(count("1000001"), "0");
  EXPECT_EQ(count("1000011"), "2");
  EXPECT_EQ(count("1000012"), "1");

  auto* status = h.widget<LogView>(h.w().txt状況);
  QStringList lines = status->text().split('\n');
  ASSERT_TRUE(lines.front().startsWith(QStringLiteral("―― "))) << lines.front().toStdString();
  lines.removeFirst();  // the run's header
  ASSERT_EQ(lines.size(), 8)
      << "two lines per pair, the journal's and the empty text after the last CR LF";
  EXPECT_TRUE(lines[6].startsWith(QStringLiteral("実行の記録: "))) << lines[6].toStdString();
  EXPECT_EQ(lines[0], QStringLiteral("1000001->1000011 ... "));
  EXPECT_EQ(lines[1].trimmed(), QStringLiteral("2件置換しました。"));
  EXPECT_EQ(lines[5].trimmed(), QStringLiteral("0件置換しました。"));
  EXPECT_EQ(toModelLines(status->text()), h.w().txt状況.text());
  EXPECT_TRUE(QTest::qWaitFor([&] { return status->showsLastLine(); }, 1000));

  h.activate();
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(h.form().focus(), &h.w().txt状況);
  EXPECT_TRUE(h.shownEnabled(h.w().cmd開始)) << "restored after the run";
  EXPECT_THAT(h.differences(), IsEmpty());

  // The window as a user sees it after a run, kept as a picture beside the build for review.
  h.typeInto(h.w().txt置換元, QStringLiteral("060-0000"));
  const QImage image = h.v().grab().toImage();
  const QString folder = QStringLiteral(NORVEL_ARTIFACT_DIR);
  ASSERT_TRUE(QDir().mkpath(folder));
  ASSERT_TRUE(image.save(folder + "/norvel-window.png", "PNG"));
  const qreal ratio = image.devicePixelRatio();
  EXPECT_EQ(image.width(), qRound(twipsToPixels(kClientWidthTwips, h.v().dpi()) * ratio));
  EXPECT_EQ(image.height(), qRound(twipsToPixels(kClientHeightTwips, h.v().dpi()) * ratio));
  // Not a blank surface, and the status box area shows text.
  auto colours = [&](QRect area, int step) {
    QSet<QRgb> seen;
    for (int y = area.top(); y < area.bottom(); y += step) {
      for (int x = area.left(); x < area.right(); x += step)
        seen.insert(image.pixel(qRound(x * ratio), qRound(y * ratio)));
    }
    return seen.size();
  };
  EXPECT_GE(colours(h.v().rect(), 2), 16);
  EXPECT_GE(colours(status->geometry().adjusted(4, 4, -20, -4), 1), 4);
}

// Shift with the mouse or with Enter checks the run and changes nothing; the button says so.
TEST_F(RunView, ShiftOnStartChecksWithoutChanging) {
  writeBytes(h.pairFile(), "1000001,1000011\r\n");
  ASSERT_TRUE(h.start());
  h.connectAndPick(database, QStringLiteral("住所"), QStringLiteral("郵便番号"));
  auto* start = h.widget<QPushButton>(h.w().cmd開始);
  EXPECT_THAT(start->toolTip().toStdString(), ::testing::HasSubstr("Shift"));

  // The one message box a press shows, answered.
  const auto boxOf = [&](const std::function<void()>& press) {
    DialogAnswerer answerer;
    press();
    QApplication::processEvents();
    h.activate();
    return answerer.messages.size() == 1 ? answerer.messages[0].text.toStdString() : "?";
  };
  const std::string checked = "（確認のみ）2件置換されます。変更はしていません。";
  EXPECT_THAT(boxOf([&] { QTest::mouseClick(start, Qt::LeftButton, Qt::ShiftModifier); }),
              StartsWith(checked));
  EXPECT_EQ(count("1000001"), "2");
  EXPECT_THAT(boxOf([&] {
                start->setFocus();
                QTest::keyClick(start, Qt::Key_Return, Qt::ShiftModifier);
              }),
              StartsWith(checked));
  EXPECT_EQ(count("1000001"), "2");
  EXPECT_THAT(boxOf([&] { h.click(h.w().cmd開始); }), StartsWith("2件置換しました。"));
  EXPECT_EQ(count("1000001"), "0");
}

TEST_F(RunView, AFailedConnectIsWarnedAndCreatesNothing) {
  ASSERT_TRUE(h.start());
  DialogAnswerer answerer;
  h.typeInto(h.w().txtMDBパス, toQString(h.dir.file("missing.mdb")));
  h.click(h.w().cmd接続);
  ASSERT_EQ(answerer.messages.size(), 1u);
  EXPECT_EQ(answerer.messages[0].icon, QMessageBox::Warning);
  EXPECT_THAT(toUtf8(answerer.messages[0].text), StartsWith("データベースをオープンできません"));
  EXPECT_FALSE(h.w().mbConnected());
  EXPECT_FALSE(h.shownEnabled(h.w().cobテーブル名));
  EXPECT_FALSE(std::filesystem::exists(h.dir.file("missing.mdb")));
  // Error text arrives as plain text with its line breaks, never as markup.
  h.windows.showMessageBox("a\r\n<b>x</b>", "題", MessageIcon::warning);
  ASSERT_EQ(answerer.messages.size(), 2u);
  EXPECT_EQ(answerer.messages[1].text, QStringLiteral("a\n<b>x</b>"));
  EXPECT_EQ(answerer.messages[1].title, QStringLiteral("題"));
  h.activate();
  EXPECT_THAT(h.differences(), IsEmpty());
}

TEST_F(RunView, ExitSavesThePairsAndClosingTheWindowDoesNot) {
  for (bool exit_button : {true, false}) {
    QtWindowHarness app;
    writeBytes(app.pairFile(), "1000001,1000011\r\n");
    ASSERT_TRUE(app.start());
    app.typeInto(app.w().txt置換元, QStringLiteral("1000002"));
    app.click(app.w().cmd追加);
    DialogAnswerer answerer;
    if (exit_button) {
      app.click(app.w().cmd終了);
    } else {
      // Asked whether to save the changed list: いいえ.
      EXPECT_TRUE(app.v().close());
      ASSERT_EQ(answerer.messages.size(), 1u);
      EXPECT_EQ(answerer.messages[0].icon, QMessageBox::Question);
    }
    EXPECT_TRUE(app.form().terminated() && app.windows.ended()) << exit_button;
    EXPECT_FALSE(app.v().isVisible()) << exit_button;
    EXPECT_EQ(readBytes(app.pairFile()),
              exit_button ? "1000001,1000011\r\n1000002,\r\n" : "1000001,1000011\r\n");
  }
}

TEST_F(RunView, TheBrowseButtonFillsThePathFromTheFileDialog) {
  ASSERT_TRUE(h.start());
  DialogAnswerer answerer;
  answerer.file_answer = toQString(database);
  h.click(h.w().cmdMDBパス);
  ASSERT_EQ(answerer.file_dialogs.size(), 1u);
  EXPECT_EQ(answerer.file_dialogs[0],
            QStringList({"Microsoft Access(*.mdb)",
                         "対応するすべてのファイル (*.mdb *.accdb *.sqlite *.sqlite3 *.db)",
                         "SQLite (*.sqlite *.db *.sqlite3)", "All files (*)",
                         toQString(h.dir.path().string())}));
  EXPECT_EQ(answerer.selected_filters[0], QStringLiteral("Microsoft Access(*.mdb)"))
      << "the window's own entry is in force; the others show the files it hides";
  EXPECT_EQ(h.w().txtMDBパス.text(), database);
  h.activate();
  EXPECT_TRUE(h.shownEnabled(h.w().cmd接続));

  answerer.file_answer.clear();
  h.click(h.w().cmdMDBパス);
  EXPECT_EQ(answerer.file_dialogs.size(), 2u);
  EXPECT_EQ(h.w().txtMDBパス.text(), database) << "cancelling keeps the path";
}

TEST(OpenDialog, FiltersKeepTheGivenEntriesFirstAndAddWhatThisBuildOpens) {
  struct Case {
    const char* filter;
    const char* default_ext;
    QStringList expected;
  };
  for (const Case& c :
       std::vector<Case>{{"Microsoft Excell(*.xls)|*.xls",
                          "xls",
                          {"Microsoft Excell(*.xls)", "対応するすべてのファイル (*.xls *.xlsx)",
                           "Excel (*.xlsx)", "All files (*)"}},
                         {"Text|*.txt;*.csv|Any|*.*",
                          "txt",
                          {"Text (*.txt *.csv)", "Any (*.*)", "All files (*)"}},
                         {"", "", {"All files (*)"}},
                         {"Broken|", "", {"All files (*)"}}}) {
    EXPECT_EQ(qtNameFilters(c.filter, c.default_ext), c.expected) << c.filter;
  }
}

}  // namespace
}  // namespace norvel::testing
