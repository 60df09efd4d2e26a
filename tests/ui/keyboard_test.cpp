// The window's own keys, as every front end forwards them into the model.
#include <gtest/gtest.h>

#include "support/sqlite_fixture.h"
#include "support/window_harness.h"

namespace norvel {
namespace {

using testing::SqliteFile;
using testing::WindowHarness;
using Lines = std::vector<std::string>;

std::string addressDatabase(WindowHarness& h) {
  const std::string path = h.dir.file("address.sqlite");
  SqliteFile(path).exec(
      "CREATE TABLE 住所 (郵便番号 TEXT);"
      "CREATE TABLE 顧客 (氏名 TEXT);");
  return path;
}

TEST(Keyboard, DeleteInTheListRemovesTheSelectedPairAsDeleteDoes) {
  WindowHarness h;
  ASSERT_TRUE(h.start());
  FrmNorvel& w = h.w();
  for (const char* code : {"1", "2", "3"}) h.addPair(code, "x");
  // Nothing selected: the key is the window's, but there is nothing to delete.
  EXPECT_TRUE(h.key(w.lst置換リスト, Key::del));
  EXPECT_EQ(w.lst置換リスト.itemCount(), 3);
  h.select(w.lst置換リスト, 1);
  EXPECT_TRUE(h.key(w.lst置換リスト, Key::del));
  EXPECT_EQ(w.lst置換リスト.items(), (Lines{"1 -> x", "3 -> x"}));
  EXPECT_EQ(w.mPairs()->GetSize(), 2);
  EXPECT_EQ(w.mPairs()->GetItem(2).s01, "3");
  EXPECT_EQ(w.lst置換リスト.selectedIndex(), 1);
  EXPECT_EQ(h.form().focus(), &w.lst置換リスト);
  h.key(w.lst置換リスト, Key::del);
  h.key(w.lst置換リスト, Key::del);
  EXPECT_EQ(w.lst置換リスト.itemCount(), 0);
  EXPECT_FALSE(w.cmd削除.enabled());
  // Delete elsewhere is the box's own.
  h.type(w.txt置換元, "100");
  EXPECT_FALSE(h.key(w.txt置換元, Key::del));
  EXPECT_EQ(w.txt置換元.text(), "100");
}

TEST(Keyboard, EnterInTheNewCodeAddsThePairAsAddDoes) {
  WindowHarness h;
  ASSERT_TRUE(h.start());
  FrmNorvel& w = h.w();
  h.type(w.txt置換元, "100-0001");
  h.type(w.txt置換先, "100-0002");
  EXPECT_TRUE(h.key(w.txt置換先, Key::enter));
  EXPECT_EQ(w.lst置換リスト.items(), Lines{"100-0001 -> 100-0002"});
  EXPECT_EQ(w.mPairs()->GetSize(), 1);
  EXPECT_EQ(w.txt置換元.text(), "");
  EXPECT_EQ(w.txt置換先.text(), "");
  EXPECT_EQ(h.form().focus(), &w.txt置換元);
  // No old code, no pair: 追加 cannot be pressed either.
  h.type(w.txt置換先, "100-0003");
  EXPECT_TRUE(h.key(w.txt置換先, Key::enter));
  EXPECT_EQ(w.lst置換リスト.itemCount(), 1);
  EXPECT_EQ(w.txt置換先.text(), "100-0003");
  // Enter in the old code is not one of the window's keys.
  h.type(w.txt置換元, "100-0004");
  EXPECT_FALSE(h.key(w.txt置換元, Key::enter));
  EXPECT_EQ(w.lst置換リスト.itemCount(), 1);
  EXPECT_TRUE(h.windows.messages().empty());
}

TEST(Keyboard, EnterInThePathBoxConnectsAsConnectDoes) {
  WindowHarness h;
  ASSERT_TRUE(h.start());
  FrmNorvel& w = h.w();
  // Nothing typed: 接続 is disabled and Enter asks nothing.
  EXPECT_TRUE(h.key(w.txtMDBパス, Key::enter));
  EXPECT_TRUE(h.windows.messages().empty());
  EXPECT_FALSE(w.mbConnected());

  h.type(w.txtMDBパス, addressDatabase(h));
  EXPECT_TRUE(h.key(w.txtMDBパス, Key::enter));
  EXPECT_TRUE(w.mbConnected());
  EXPECT_EQ(w.cobテーブル名.items(), (Lines{"住所", "顧客"}));
  EXPECT_EQ(h.form().focus(), &w.cobテーブル名);
  EXPECT_TRUE(w.cobテーブル名.droppedDown());
}

TEST(Keyboard, EnterInTheWorkbookPathBoxTriesTheSameConnectAsTheButton) {
  // A missing workbook: Enter and 接続 end in the same message.
  std::vector<std::vector<std::string>> seen;
  for (const bool by_key : {true, false}) {
    WindowHarness h;
    ASSERT_TRUE(h.start());
    FrmNorvel& w = h.w();
    h.tab(2);
    h.type(w.txtXLSパス, h.dir.file("無い.xlsx"));
    if (by_key) {
      EXPECT_TRUE(h.key(w.txtXLSパス, Key::enter));
    } else {
      h.click(w.cmd接続);
    }
    EXPECT_FALSE(w.mbConnected());
    seen.push_back(h.messageTexts());
  }
  ASSERT_EQ(seen[0].size(), 1u);
  // The folder differs between the two windows; the message around it does not.
  EXPECT_EQ(seen[0][0].substr(0, 20), seen[1][0].substr(0, 20));
  EXPECT_EQ(seen[0].size(), seen[1].size());
}

TEST(Keyboard, ArrowsOnTheTabStripSwitchTabsAndKeepTheFocusThere) {
  WindowHarness h;
  ASSERT_TRUE(h.start());
  FrmNorvel& w = h.w();
  w.sst対象.setFocus();
  for (const int expected : {1, 2, 3, 3}) {
    EXPECT_TRUE(h.key(w.sst対象, Key::right));
    EXPECT_EQ(h.form().currentTab(), expected);
    EXPECT_EQ(h.form().focus(), &w.sst対象) << expected;
  }
  for (const int expected : {2, 1, 0, 0}) {
    EXPECT_TRUE(h.key(w.sst対象, Key::left));
    EXPECT_EQ(h.form().currentTab(), expected);
    EXPECT_EQ(h.form().focus(), &w.sst対象) << expected;
  }
  // The tab's handler still ran: the connect button follows the tab's input box.
  h.type(w.txtMDBパス, "a.sqlite");
  EXPECT_TRUE(w.cmd接続.enabled());
  h.key(w.sst対象, Key::right);
  EXPECT_FALSE(w.cmd接続.enabled());
  // A click on a tab still puts the focus into the page.
  h.tab(2);
  EXPECT_EQ(h.form().focus(), &w.txtXLSパス);
  // In a text box the arrows move the caret, which is the box's own business.
  EXPECT_FALSE(h.key(w.txtXLSパス, Key::left));
  EXPECT_EQ(h.form().currentTab(), 2);
}

TEST(Keyboard, EnterPressesAButtonAndShiftEnterChecksARun) {
  WindowHarness h;
  const std::string database = addressDatabase(h);
  SqliteFile(database).exec("INSERT INTO 住所 VALUES ('1000001');");
  ASSERT_TRUE(h.start());
  FrmNorvel& w = h.w();
  h.type(w.txt置換元, "1000001");
  h.type(w.txt置換先, "1000002");
  EXPECT_TRUE(h.key(w.cmd追加, Key::enter));
  EXPECT_EQ(w.lst置換リスト.itemCount(), 1);
  h.connectFile(database, "住所", "郵便番号");
  EXPECT_TRUE(h.key(w.cmd開始, Key::enter, kShiftMask));
  EXPECT_EQ(SqliteFile(database).scalar("SELECT 郵便番号 FROM 住所"), "1000001")
      << "a checking run changes nothing";
  EXPECT_FALSE(h.windows.messages().empty());
  h.windows.clearMessages();
  EXPECT_TRUE(h.key(w.cmd開始, Key::enter));
  EXPECT_EQ(SqliteFile(database).scalar("SELECT 郵便番号 FROM 住所"), "1000002");
  // A disabled button takes no key.
  EXPECT_FALSE(h.key(w.cmd削除, Key::enter));
}

TEST(Keyboard, NoKeyIsTakenAfterTheWindowEnded) {
  WindowHarness h;
  ASSERT_TRUE(h.start());
  FrmNorvel& w = h.w();
  h.addPair("1", "2");
  h.select(w.lst置換リスト, 0);
  w.sst対象.setFocus();
  EXPECT_TRUE(h.key(w.cmd終了, Key::enter));
  ASSERT_TRUE(h.form().terminated());
  EXPECT_FALSE(h.key(w.lst置換リスト, Key::del));
  EXPECT_FALSE(h.key(w.sst対象, Key::right));
  EXPECT_EQ(w.lst置換リスト.itemCount(), 1);
  EXPECT_EQ(h.form().currentTab(), 0);
}

}  // namespace
}  // namespace norvel
