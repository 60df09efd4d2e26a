#include <gtest/gtest.h>

#include "support/sqlite_fixture.h"
#include "support/window_harness.h"

namespace norvel {
namespace {

using testing::SqliteFile;
using testing::WindowHarness;

std::string addressDatabase(WindowHarness& h) {
  const std::string path = h.dir.file("address.sqlite");
  SqliteFile db(path);
  db.exec(
      "CREATE TABLE 住所 (郵便番号 TEXT, 町域 TEXT);"
      "CREATE TABLE customers (id INTEGER, zip VARCHAR(8));"
      "CREATE TABLE [Sheet1$] (F1 TEXT);"
      "INSERT INTO 住所 VALUES ('100-0001', '千代田');");
  return path;
}

TEST(Connect, MissingInputsAreRefusedWithTheirMessage) {
  struct Case {
    int tab;
    Control& (*box)(FrmNorvel&);
    const char* message;
  };
  const std::vector<Case> cases = {
      {0, [](FrmNorvel& f) -> Control& { return f.txtMDBパス; },
       "MDBファイルのパスを入力してください"},
      {1, [](FrmNorvel& f) -> Control& { return f.txtOO4Oユーザ名; },
       "ユーザ名、パスワードを入力してください"},
      {2, [](FrmNorvel& f) -> Control& { return f.txtXLSパス; },
       "Excelファイルのパスを入力してください"},
      {3, [](FrmNorvel& f) -> Control& { return f.txt接続文字列; },
       "Active Data Object 接続文字列を入力してください"},
  };
  for (const Case& c : cases) {
    WindowHarness h;
    ASSERT_TRUE(h.start());
    FrmNorvel& w = h.w();
    h.tab(c.tab);
    // The button is disabled with an empty box; the handler still guards against it.
    h.form().raise(w.cmd接続, EventKind::click);
    h.pump();
    EXPECT_EQ(h.messageTexts(), std::vector<std::string>{c.message});
    EXPECT_EQ(h.form().focus(), &c.box(w));
    EXPECT_FALSE(w.mbConnected());
    EXPECT_EQ(h.form().applicationPointer(), kPointerDefault);
  }
  // Tab 1 with a user name but no password: refused, focus on the user name.
  WindowHarness h;
  ASSERT_TRUE(h.start());
  FrmNorvel& w = h.w();
  h.connectFile(addressDatabase(h), "住所", "郵便番号");
  ASSERT_TRUE(w.mbConnected());
  h.tab(1);
  h.type(w.txtOO4Oユーザ名, "scott");
  h.click(w.cmd接続);
  EXPECT_EQ(h.messageTexts(), std::vector<std::string>{"ユーザ名、パスワードを入力してください"});
  EXPECT_EQ(h.form().focus(), &w.txtOO4Oユーザ名);
  EXPECT_FALSE(w.mbConnected());
  EXPECT_EQ(w.cobテーブル名.itemCount(), 0);
  EXPECT_EQ(w.cobフィールド名.itemCount(), 0);
  EXPECT_FALSE(w.cobテーブル名.enabled());
  EXPECT_TRUE(w.cmd接続.enabled());
  EXPECT_EQ(w.txt接続文字列.text().find("Provider=Microsoft.Jet"), 0u);  // not rewritten
}

TEST(Connect, ConnectionStringsShownForTheFirstThreeTabs) {
  WindowHarness h;
  ASSERT_TRUE(h.start());
  FrmNorvel& w = h.w();

  h.type(w.txtMDBパス, " /no/such/file.mdb ");
  h.click(w.cmd接続);
  EXPECT_EQ(w.txt接続文字列.text(),
            "Provider=Microsoft.Jet.OLEDB.4.0;Data Source= /no/such/file.mdb ");

  h.tab(1);
  h.type(w.txtOO4Oユーザ名, "  ");
  h.type(w.txtOO4Oパスワード, " tiger ");
  h.click(w.cmd接続);
  EXPECT_EQ(w.txt接続文字列.text(),
            "Provider=OraOLEDB.Oracle.1;Persist Security Info=False;User ID=;Password =tiger;"
            "Data Source=;");

  h.tab(2);
  h.type(w.txtXLSパス, "/no/book.xls");
  h.click(w.cmd接続);
  EXPECT_EQ(w.txt接続文字列.text(),
            "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/no/book.xls;"
            "Extended Properties=\"Excel 8.0;\"");
  for (int value : {kUnchecked, kGrayed}) {
    h.form().userChecks(w.chkフィールド名使用, value);
    h.click(w.cmd接続);
    EXPECT_EQ(w.txt接続文字列.text(),
              "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/no/book.xls;"
              "Extended Properties=\"Excel 8.0;HDR=No;\"");
  }

  h.tab(3);
  h.type(w.txt接続文字列, "Driver={No Such Driver};Pwd=hunter2;");
  h.click(w.cmd接続);
  EXPECT_EQ(w.txt接続文字列.text(), "Driver={No Such Driver};Pwd=hunter2;");
  EXPECT_FALSE(w.mbConnected());
}

TEST(Connect, FailedOpenShowsTheStringAndTheDataSourceText) {
  WindowHarness h;
  ASSERT_TRUE(h.start());
  FrmNorvel& w = h.w();
  const std::string missing = h.dir.file("typo.sqlite");
  h.type(w.txtMDBパス, missing);
  h.click(w.cmd接続);
  ASSERT_EQ(h.messageTexts().size(), 1u);
  const std::string expected_head =
      "データベースをオープンできません\r\nProvider=Microsoft.Jet.OLEDB.4.0;Data Source=" +
      missing + "\r\n";
  EXPECT_EQ(h.messageTexts()[0].substr(0, expected_head.size()), expected_head);
  EXPECT_GT(h.messageTexts()[0].size(), expected_head.size());  // the layer's own description
  EXPECT_FALSE(std::filesystem::exists(missing));               // never created
  EXPECT_FALSE(w.mbConnected());
  EXPECT_TRUE(w.cmd接続.enabled());
  EXPECT_TRUE(w.txtMDBパス.enabled());
  EXPECT_FALSE(w.cobテーブル名.enabled());
}

TEST(Connect, PasswordsAreMaskedInTheMessage) {
  WindowHarness h;
  ASSERT_TRUE(h.start());
  FrmNorvel& w = h.w();
  h.tab(1);
  h.type(w.txtOO4Oユーザ名, "scott");
  h.type(w.txtOO4Oパスワード, "tiger");
  h.click(w.cmd接続);
  ASSERT_EQ(h.messageTexts().size(), 1u);
  EXPECT_EQ(h.messageTexts()[0].find("tiger"), std::string::npos) << h.messageTexts()[0];
  EXPECT_NE(h.messageTexts()[0].find("Password =****;"), std::string::npos);
  EXPECT_NE(w.txt接続文字列.text().find("Password =tiger;"), std::string::npos);
}

TEST(Connect, TablesListedAndDroppedDownThenFields) {
  WindowHarness h;
  ASSERT_TRUE(h.start());
  FrmNorvel& w = h.w();
  h.addPair("100-0001", "100-0002");
  h.type(w.txtMDBパス, addressDatabase(h));
  h.click(w.cmd接続);
  EXPECT_TRUE(h.windows.messages().empty());
  EXPECT_TRUE(w.mbConnected());
  EXPECT_EQ(w.cobテーブル名.items(), (std::vector<std::string>{"住所", "customers", "Sheet1$"}));
  EXPECT_EQ(h.form().focus(), &w.cobテーブル名);
  EXPECT_TRUE(w.cobテーブル名.droppedDown());
  EXPECT_EQ(w.cobフィールド名.itemCount(), 0);
  EXPECT_FALSE(w.cmd開始.enabled());
  EXPECT_EQ(h.form().applicationPointer(), kPointerDefault);

  h.select(w.cobテーブル名, 0);
  EXPECT_EQ(w.cobフィールド名.items(), (std::vector<std::string>{"郵便番号", "町域"}));
  EXPECT_EQ(h.form().focus(), &w.cobフィールド名);
  EXPECT_TRUE(w.cobフィールド名.droppedDown());
  EXPECT_FALSE(w.cmd開始.enabled());
  h.select(w.cobフィールド名, 0);
  EXPECT_TRUE(w.cmd開始.enabled());

  // Another table replaces the fields and unselects them.
  h.select(w.cobテーブル名, 1);
  EXPECT_EQ(w.cobフィールド名.items(), (std::vector<std::string>{"id", "zip"}));
  EXPECT_EQ(w.cobフィールド名.selectedIndex(), -1);
  EXPECT_FALSE(w.cmd開始.enabled());
}

TEST(Connect, EmptyDatabaseNeitherMovesTheFocusNorDropsDown) {
  WindowHarness h;
  ASSERT_TRUE(h.start());
  FrmNorvel& w = h.w();
  const std::string path = h.dir.file("empty.sqlite");
  {
    SqliteFile db(path);
    db.exec("PRAGMA user_version = 1;");
  }
  h.type(w.txtMDBパス, path);
  h.form().userFocuses(w.cmd接続);
  h.click(w.cmd接続);
  EXPECT_TRUE(w.mbConnected());
  EXPECT_TRUE(h.windows.messages().empty());
  EXPECT_EQ(w.cobテーブル名.itemCount(), 0);
  EXPECT_TRUE(w.cobテーブル名.enabled());
  EXPECT_FALSE(w.cobテーブル名.droppedDown());
  EXPECT_EQ(h.form().focus(), nullptr);  // the focused button was disabled during the attempt
}

TEST(Connect, FieldListingFailureIsReported) {
  WindowHarness h;
  ASSERT_TRUE(h.start());
  FrmNorvel& w = h.w();
  const std::string path = h.dir.file("views.sqlite");
  {
    SqliteFile db(path);
    db.exec(
        "CREATE TABLE base (code TEXT); CREATE VIEW codes AS SELECT code FROM base;"
        "DROP TABLE base;");
  }
  h.type(w.txtMDBパス, path);
  h.click(w.cmd接続);
  ASSERT_EQ(w.cobテーブル名.items(), std::vector<std::string>{"codes"});
  h.select(w.cobテーブル名, 0);
  ASSERT_EQ(h.messageTexts().size(), 1u);
  EXPECT_EQ(h.messageTexts()[0].rfind("フィールド名列挙時にエラーが発生しました。\r\n", 0), 0u);
  EXPECT_NE(h.messageTexts()[0].find("base"), std::string::npos);
  EXPECT_EQ(w.cobフィールド名.itemCount(), 0);
}

TEST(Connect, TableDroppedAfterListingGivesNoFields) {
  WindowHarness h;
  ASSERT_TRUE(h.start());
  FrmNorvel& w = h.w();
  const std::string path = addressDatabase(h);
  h.type(w.txtMDBパス, path);
  h.click(w.cmd接続);
  {
    SqliteFile db(path);
    db.exec("DROP TABLE customers;");
  }
  h.select(w.cobテーブル名, 1);
  EXPECT_TRUE(h.windows.messages().empty());
  EXPECT_EQ(w.cobフィールド名.itemCount(), 0);
  EXPECT_FALSE(w.cobフィールド名.droppedDown());
}

TEST(Connect, ReconnectFailureLeavesNothingConnected) {
  WindowHarness h;
  ASSERT_TRUE(h.start());
  FrmNorvel& w = h.w();
  h.connectFile(addressDatabase(h), "住所", "郵便番号");
  ASSERT_NE(w.database().gAdoConnection(), nullptr);
  h.type(w.txtMDBパス, h.dir.file("nothing-here.sqlite"));
  h.click(w.cmd接続);
  EXPECT_FALSE(w.mbConnected());
  EXPECT_EQ(w.database().gAdoConnection(), nullptr);
  EXPECT_EQ(w.cobテーブル名.itemCount(), 0);
}

TEST(Connect, BrowseFillsThePathBoxOrLeavesItOnCancel) {
  WindowHarness h;
  ASSERT_TRUE(h.start());
  FrmNorvel& w = h.w();
  h.windows.answerOpenDialog("/data/住所録.mdb");
  h.click(w.cmdMDBパス);
  EXPECT_EQ(w.txtMDBパス.text(), "/data/住所録.mdb");
  EXPECT_TRUE(w.cmd接続.enabled());
  h.windows.answerOpenDialog("");
  h.click(w.cmdMDBパス);
  EXPECT_EQ(w.txtMDBパス.text(), "/data/住所録.mdb");
  ASSERT_EQ(h.windows.dialogsShown().size(), 2u);
  EXPECT_EQ(h.windows.dialogsShown()[0].filter, "Microsoft Access(*.mdb)|*.mdb");
  EXPECT_EQ(h.windows.dialogsShown()[0].default_ext, "mdb");
  EXPECT_EQ(h.windows.dialogsShown()[0].init_dir, h.dir.path().string());

  h.tab(2);
  h.windows.answerOpenDialog("/data/book.xlsx");
  h.click(w.cmdXLSパス);
  EXPECT_EQ(w.txtXLSパス.text(), "/data/book.xlsx");
  EXPECT_EQ(h.windows.dialogsShown()[2].filter, "Microsoft Excell(*.xls)|*.xls");
}

}  // namespace
}  // namespace norvel
