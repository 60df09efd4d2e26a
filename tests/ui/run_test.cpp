#include <gtest/gtest.h>

#include <filesystem>

#include "support/sqlite_fixture.h"
#include "support/window_harness.h"

namespace norvel {
namespace {

using testing::SqliteFile;
using testing::WindowHarness;

std::string result(const std::string& count) {
  return std::string(24 - count.size(), ' ') + count + "件置換しました。\r\n";
}

// A check's count line: what a run would replace.
std::string checkResult(const std::string& count) {
  return std::string(24 - count.size(), ' ') + count + "件置換されます。\r\n";
}

// How a failed run ends: its last line, and the end of its box.
const std::string kRolledBack =
    "エラーのため、すべての置換を取り消しました（ロールバック）。データは何も変わっていません。";
std::string rolledBackBox(const std::string& failure) {
  return failure + "\r\n\r\n" + kRolledBack;
}

class RunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path = h.dir.file("address.sqlite");
    db = std::make_unique<SqliteFile>(path);
    db->exec(
        "CREATE TABLE 住所 (郵便番号 TEXT, 町域 TEXT);"
        "CREATE TRIGGER 検査 BEFORE UPDATE ON 住所 WHEN NEW.郵便番号 = 'bad' "
        "BEGIN SELECT RAISE(ABORT, '郵便番号が不正です'); END;"
        "INSERT INTO 住所 VALUES ('100-0001', 'a'), ('100-0001', 'b'), (NULL, 'c'), ('O''Hare', "
        "'d');"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1500) "
        "INSERT INTO 住所 SELECT '100-0003', 'x' FROM n;");
    ASSERT_TRUE(h.start());
  }

  void connect(const std::string& table = "住所", const std::string& field = "郵便番号") {
    h.connectFile(path, table, field);
    ASSERT_TRUE(h.w().mbConnected());
  }

  long count(const std::string& where) {
    return std::stol(db->scalar("SELECT count(*) FROM 住所 WHERE " + where));
  }

  WindowHarness h;
  std::string path;
  std::unique_ptr<SqliteFile> db;
};

TEST_F(RunTest, ThreePairsCommitAndReportTheTotal) {
  FrmNorvel& w = h.w();
  h.addPair("100-0001", "100-0002");
  h.addPair("999-9999", "999-0000");
  h.addPair("100-0003", "100-0004");
  connect();
  h.click(w.cmd開始);

  // The committed run's lines, then the one that names its journal.
  const std::string log = h.statusLog();
  const std::size_t journal = log.find("実行の記録: ");
  ASSERT_NE(journal, std::string::npos) << log;
  EXPECT_EQ(log.substr(0, journal), "100-0001->100-0002 ... \r\n" + result("2") +
                                        "999-9999->999-0000 ... \r\n" + result("0") +
                                        "100-0003->100-0004 ... \r\n" + result("1,500"));
  EXPECT_NE(log.find(" 住所.郵便番号.csv\r\n", journal), std::string::npos) << log;
  EXPECT_EQ(w.txt状況.selectionStart(), w.txt状況.text().size());
  EXPECT_EQ(h.messageTexts(), std::vector<std::string>{"1,502件置換しました。"});
  EXPECT_EQ(h.windows.messages()[0].icon, MessageIcon::information);
  EXPECT_EQ(count("郵便番号 = '100-0002'"), 2);
  EXPECT_EQ(count("郵便番号 = '100-0004'"), 1500);
  EXPECT_EQ(count("郵便番号 IN ('100-0001', '100-0003')"), 0);

  EXPECT_EQ(h.form().focus(), &w.txt状況);
  EXPECT_EQ(h.form().applicationPointer(), kPointerDefault);
  EXPECT_EQ(h.enabled({&w.cmd開始, &w.cmd接続, &w.cobテーブル名, &w.cobフィールド名, &w.txt状況,
                       &w.lst置換リスト, &w.cmd追加}),
            (std::vector<std::string>{"cmd開始", "cmd接続", "cobテーブル名", "cobフィールド名",
                                      "txt状況", "lst置換リスト"}));
  EXPECT_TRUE(w.mbConnected());

  // A second run keeps the lines of the first.
  h.click(w.cmd開始);
  EXPECT_EQ(h.statusLog().rfind("100-0001->100-0002 ... \r\n" + result("2"), 0), 0u);
  EXPECT_NE(h.statusLog().find("100-0001->100-0002 ... \r\n" + result("0")), std::string::npos);
  EXPECT_EQ(h.messageTexts().back(), "0件置換しました。");
}

// Shift+click checks: the lines and the total of a real run, what the typed codes miss, and a
// file that is byte for byte what it was.
TEST_F(RunTest, ShiftClickOnStartChecksAndChangesNothing) {
  FrmNorvel& w = h.w();
  db->exec("INSERT INTO 住所 VALUES ('1000007', 'e')");
  h.addPair("100-0001", "100-0002");
  h.addPair("100-0007", "100-0008");
  connect();
  db.reset();
  const std::string before = testing::readBytes(path);
  h.shiftClick(w.cmd開始);

  EXPECT_EQ(h.statusLog(), "100-0001->100-0002 ... \r\n" + checkResult("2") +
                               "100-0007->100-0008 ... \r\n" + checkResult("0") +
                               "2 番目の置換ペア「100-0007 -> 100-0008」に一致する行はありません。"
                               "このフィールドには「1000007」（1 行）の形で入っています。\r\n"
                               "（確認のみ）変更はしていません。\r\n");
  EXPECT_EQ(h.messageTexts(),
            std::vector<std::string>{"（確認のみ）2件置換されます。変更はしていません。"});
  EXPECT_EQ(h.windows.messages()[0].icon, MessageIcon::information);
  EXPECT_EQ(testing::readBytes(path), before);
  EXPECT_EQ(h.form().focus(), &w.txt状況);
  EXPECT_EQ(h.form().applicationPointer(), kPointerDefault);
  EXPECT_TRUE(w.cmd開始.enabled());

  // Then the real run: same lines, no hint, the data changed.
  h.click(w.cmd開始);
  EXPECT_EQ(h.messageTexts().back(), "2件置換しました。");
  EXPECT_NE(testing::readBytes(path), before);
}

TEST_F(RunTest, FailingSecondPairRollsEverythingBack) {
  FrmNorvel& w = h.w();
  h.addPair("100-0001", "100-0002");
  h.addPair("100-0003", "bad");
  h.addPair("NULL", "100-0009");
  connect();
  h.click(w.cmd開始);

  EXPECT_EQ(h.statusLog(), "100-0001->100-0002 ... \r\n" + result("2") +
                               "100-0003->bad ... \r\n  郵便番号が不正です\r\n" + kRolledBack +
                               "\r\n");
  EXPECT_EQ(h.messageTexts(),
            std::vector<std::string>{rolledBackBox(
                "テーブルの制約（一意・外部キー・CHECK・NOT NULL・トリガーなど）により変更が拒否"
                "されました。\r\n郵便番号が不正です")});
  EXPECT_EQ(h.windows.messages()[0].icon, MessageIcon::warning);
  EXPECT_EQ(count("郵便番号 = '100-0001'"), 2);
  EXPECT_EQ(count("郵便番号 = '100-0003'"), 1500);
  EXPECT_EQ(count("郵便番号 IS NULL"), 1);
  EXPECT_EQ(h.form().focus(), &w.txt状況);
  EXPECT_TRUE(w.cmd開始.enabled());
  EXPECT_EQ(h.form().applicationPointer(), kPointerDefault);
}

TEST_F(RunTest, ProbeFailureAddsOnlyTheProgressLine) {
  FrmNorvel& w = h.w();
  h.addPair("100-0001", "100-0002");
  connect();
  db->exec("ALTER TABLE 住所 RENAME COLUMN 郵便番号 TO 郵便");
  h.click(w.cmd開始);
  EXPECT_EQ(h.statusLog(), "100-0001->100-0002 ... \r\n" + kRolledBack + "\r\n");
  ASSERT_EQ(h.messageTexts().size(), 1u);
  EXPECT_NE(h.messageTexts()[0].find("郵便番号"), std::string::npos);
  EXPECT_EQ(count("郵便 = '100-0001'"), 2);
}

// The window is held only once the transaction is open: a begin that fails shows its box over a
// usable window and changes nothing.
TEST_F(RunTest, FailedBeginShowsItsBoxWithoutHoldingTheWindow) {
  FrmNorvel& w = h.w();
  h.addPair("100-0001", "100-0002");
  connect();
  db->exec("BEGIN IMMEDIATE");  // another program holds the write lock
  std::vector<bool> start_enabled_at_box;
  h.windows.onMessage([&](const auto&) { start_enabled_at_box.push_back(w.cmd開始.enabled()); });
  h.click(w.cmd開始);
  db->exec("ROLLBACK");
  EXPECT_EQ(h.messageTexts(),
            std::vector<std::string>{"データベースが他の接続にロックされています（使用中）。"
                                     "しばらくしてからやり直してください。\r\ndatabase is locked"});
  EXPECT_EQ(start_enabled_at_box, std::vector<bool>{true});
  EXPECT_EQ(h.statusLog(), "");
  EXPECT_EQ(h.form().focus(), &w.txt状況);
  EXPECT_EQ(h.form().applicationPointer(), kPointerDefault);
  EXPECT_EQ(count("郵便番号 = '100-0001'"), 2);
}

// A commit that fails is no success: its box and line instead of the total, nothing changed.
TEST_F(RunTest, FailedCommitIsReportedAndNothingChanges) {
  FrmNorvel& w = h.w();
  h.addPair("100-0001", "100-0002");
  connect();
  // While the run goes on (its pair done, the commit to come), another program replaces the file
  // by a copy of itself.
  h.windows.queueEventWhen([&] { return h.statusLog().find("件置換") != std::string::npos; },
                           [&] {
                             std::filesystem::copy_file(path, path + ".new");
                             std::filesystem::rename(path + ".new", path);
                           });
  h.click(w.cmd開始);
  ASSERT_EQ(h.messageTexts().size(), 1u);
  const std::string box = h.messageTexts()[0];
  const std::string lead = "データベースでエラーが発生しました。\r\n";
  ASSERT_EQ(box.rfind(lead, 0), 0u) << box;
  const std::string failure = box.substr(lead.size(), box.find("\r\n\r\n") - lead.size());
  EXPECT_EQ(failure,
            path +
                ": データベースファイルが、開いている間にほかのプログラムによって削除された"
                "か置き換えられました。何もコミットされていません。");
  EXPECT_EQ(box, lead + rolledBackBox(failure));
  EXPECT_EQ(h.windows.messages()[0].icon, MessageIcon::warning);
  EXPECT_EQ(h.statusLog(), "100-0001->100-0002 ... \r\n" + result("2") + "  " + failure + "\r\n" +
                               kRolledBack + "\r\n");
  EXPECT_EQ(h.form().focus(), &w.txt状況);
  EXPECT_TRUE(w.cmd開始.enabled());
  EXPECT_EQ(count("郵便番号 = '100-0001'"), 2);  // the file as it was opened
  EXPECT_EQ(SqliteFile(path).scalar("SELECT count(*) FROM 住所 WHERE 郵便番号 = '100-0001'"), "2");
}

TEST_F(RunTest, NullsApostrophesAndChains) {
  FrmNorvel& w = h.w();
  h.addPair("NULL", "100-0005");
  h.addPair("O'Hare", "");
  h.addPair("100-0001", "100-0002");
  h.addPair("100-0002", "100-0006");
  h.addPair("null", "x");
  connect();
  h.click(w.cmd開始);
  EXPECT_EQ(h.messageTexts(), std::vector<std::string>{"6件置換しました。"});
  EXPECT_EQ(db->scalar("SELECT 郵便番号 FROM 住所 WHERE 町域 = 'c'"), "100-0005");
  EXPECT_EQ(db->scalar("SELECT 郵便番号 FROM 住所 WHERE 町域 = 'd'"), "<null>");
  EXPECT_EQ(count("郵便番号 = '100-0006'"), 2);
}

TEST_F(RunTest, TabChangeDuringTheRunEnablesNothing) {
  FrmNorvel& w = h.w();
  h.addPair("100-0001", "100-0002");
  h.addPair("100-0003", "100-0004");
  connect();
  std::vector<std::string> enabled_during_run;
  h.windows.queueEvent([&] { h.form().userSelectsTab(3); });
  h.windows.queueEvent([&] {
    for (const auto& c : h.form().controls()) {
      const bool handled = c->kind() == ControlKind::textBox ||
                           c->kind() == ControlKind::commandButton ||
                           c->kind() == ControlKind::listBox || c->kind() == ControlKind::comboBox;
      if (handled && c->enabled()) enabled_during_run.push_back(c->name());
    }
    h.form().userClicks(w.cmd開始);  // a second run must not start
  });
  h.form().userClicks(w.cmd開始);
  EXPECT_EQ(h.form().currentTab(), 3);
  EXPECT_EQ(enabled_during_run, std::vector<std::string>{"txt状況"});
  EXPECT_EQ(h.messageTexts(), std::vector<std::string>{"1,502件置換しました。"});
  // Restored and recomputed for the new tab afterwards.
  EXPECT_TRUE(w.cmd接続.enabled());  // txt接続文字列 holds the string of the connect
  EXPECT_EQ(h.form().focus(), &w.txt状況);
}

TEST_F(RunTest, BracketsForWorksheetNames) {
  db->exec("CREATE TABLE [Sheet1$] (F1 TEXT); INSERT INTO [Sheet1$] VALUES ('060-0001'), (NULL);");
  FrmNorvel& w = h.w();
  h.addPair("060-0001", "060-0002");
  h.addPair("NULL", "060-0003");
  connect("Sheet1$", "F1");
  h.click(w.cmd開始);
  EXPECT_EQ(h.messageTexts(), std::vector<std::string>{"2件置換しました。"});
  EXPECT_EQ(db->scalar("SELECT group_concat(F1, ' ') FROM [Sheet1$]"), "060-0002 060-0003");
}

TEST(RunColumnTypes, EachDeclaredTypeGetsTheRightLiteral) {
  struct Case {
    std::string type;
    std::string stored;  // SQL literal
    std::string old_code;
    std::string new_code;
    std::string after;  // the value read back as text
  };
  const std::vector<Case> cases = {
      {"TEXT", "'0600001'", "0600001", "0600002", "0600002"},
      {"VARCHAR(8)", "'100-0001'", "100-0001", "100-0002", "100-0002"},
      {"CHAR(8)", "'100-0001'", "100-0001", "100-0002", "100-0002"},
      {"INTEGER", "1000001", "1000001", "1000002", "1000002"},
      {"BIGINT", "600001", "0600001", "0600002", "600002"},
      {"NUMERIC", "1000001", "1000001", "NULL", "<null>"},
      {"REAL", "1000001.0", "1000001", "1000002", "1000002.0"},
  };
  for (const Case& c : cases) {
    WindowHarness h;
    const std::string path = h.dir.file("types.sqlite");
    SqliteFile db(path);
    db.exec("CREATE TABLE t (code " + c.type + "); INSERT INTO t VALUES (" + c.stored + ");");
    ASSERT_TRUE(h.start());
    h.addPair(c.old_code, c.new_code);
    h.connectFile(path, "t", "code");
    h.click(h.w().cmd開始);
    EXPECT_EQ(h.messageTexts(), std::vector<std::string>{"1件置換しました。"}) << c.type;
    EXPECT_EQ(db.scalar("SELECT code FROM t"), c.after) << c.type;
  }
}

TEST(RunColumnTypes, NumericColumnRefusesCodesThatAreNotNumbers) {
  WindowHarness h;
  const std::string path = h.dir.file("numbers.sqlite");
  SqliteFile db(path);
  db.exec("CREATE TABLE t (code INTEGER); INSERT INTO t VALUES (1000001), (100);");
  ASSERT_TRUE(h.start());
  h.addPair("1000001", "1000002");
  h.addPair("100-0001", "100-0002");
  h.connectFile(path, "t", "code");
  h.click(h.w().cmd開始);
  ASSERT_EQ(h.messageTexts().size(), 1u);
  const std::string refusal = h.messageTexts()[0].substr(0, h.messageTexts()[0].find("\r\n"));
  EXPECT_NE(refusal.find("100-0001"), std::string::npos);
  EXPECT_EQ(h.messageTexts()[0], rolledBackBox(refusal));
  EXPECT_EQ(h.w().txt状況.text().substr(h.w().txt状況.text().rfind("100-0001->")),
            "100-0001->100-0002 ... \r\n  " + refusal + "\r\n" + kRolledBack + "\r\n");
  EXPECT_EQ(db.scalar("SELECT group_concat(code, ' ') FROM t"), "1000001 100");
}

// A code holding bytes the pair list file could not decode is refused before it reaches the
// data source, and a pair that empties the field is pointed out before the first pair's line.
TEST_F(RunTest, UndecodableCodesAreRefusedAndEmptyingPairsNamedFirst) {
  FrmNorvel& w = h.w();
  h.addPair("100-0001", "");
  h.addPair("100-0003", "100-\xEF\xBF\xBD");
  connect();
  h.click(w.cmd開始);
  const std::string refusal =
      "コード「100-\xEF\xBF\xBD」には文字として読めないバイトが含まれています。";
  EXPECT_EQ(h.statusLog(),
            "1 番目の置換ペア「100-0001 -> 」は置換先が空です。該当するフィールドは空（NULL）"
            "になります。\r\n100-0001-> ... \r\n" +
                result("2") + "100-0003->100-\xEF\xBF\xBD ... \r\n  " + refusal + "\r\n" +
                kRolledBack + "\r\n");
  EXPECT_EQ(h.messageTexts(), std::vector<std::string>{rolledBackBox(refusal)});
  EXPECT_EQ(count("郵便番号 = '100-0001'"), 2);
  EXPECT_EQ(count("郵便番号 = '100-0003'"), 1500);
}

}  // namespace
}  // namespace norvel
