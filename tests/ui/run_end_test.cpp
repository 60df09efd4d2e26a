// How the window ends a run that did not go through: a last status line and a box that say
// everything was rolled back; the data source's failure led by a sentence of its kind; a check
// that says what a run would replace; a file that cannot be written named at connect time.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/sqlite_fixture.h"
#include "support/window_harness.h"

namespace norvel {
namespace {

using testing::SqliteFile;
using testing::WindowHarness;

constexpr const char* kRolledBack =
    "エラーのため、すべての置換を取り消しました（ロールバック）。データは何も変わっていません。";
constexpr const char* kCheckStopped =
    "（確認のみ）エラーのため確認を中止しました。変更はしていません。";
constexpr const char* kConstraint =
    "テーブルの制約（一意・外部キー・CHECK・NOT NULL・トリガーなど）により変更が拒否されました。";
constexpr const char* kReadOnly = "データベースが読み取り専用のため、書き込めません。";

std::string countLine(const std::string& count, const std::string& words) {
  return std::string(24 - count.size(), ' ') + count + words + "\r\n";
}

class RunEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path = h.dir.file("address.sqlite");
    SqliteFile db(path);
    db.exec(
        "CREATE TABLE 住所 (郵便番号 TEXT CHECK (郵便番号 <> 'bad'), 町域 TEXT);"
        "INSERT INTO 住所 VALUES ('100-0001', 'a'), ('100-0001', 'b'), ('100-0003', 'c');");
    ASSERT_TRUE(h.start());
    h.addPair("100-0001", "100-0002");
  }
  void TearDown() override { ::chmod(path.c_str(), 0644); }

  // The second pair breaks the CHECK.
  void addFailingPair() { h.addPair("100-0003", "bad"); }

  void connect() {
    h.connectFile(path, "住所", "郵便番号");
    ASSERT_TRUE(h.w().mbConnected());
  }
  std::string codes() {
    return SqliteFile(path).scalar("SELECT group_concat(郵便番号, ' ') FROM 住所");
  }

  WindowHarness h;
  std::string path;
};

TEST_F(RunEndTest, AFailedRunEndsWithTheRollbackInItsLastLineAndItsBox) {
  addFailingPair();
  connect();
  h.click(h.w().cmd開始);
  EXPECT_EQ(h.statusLog(), "100-0001->100-0002 ... \r\n" + countLine("2", "件置換しました。") +
                               "100-0003->bad ... \r\n  CHECK constraint failed: "
                               "郵便番号 <> 'bad'\r\n" +
                               kRolledBack + "\r\n");
  EXPECT_EQ(h.messageTexts(),
            std::vector<std::string>{std::string(kConstraint) +
                                     "\r\nCHECK constraint failed: 郵便番号 <> 'bad'\r\n\r\n" +
                                     kRolledBack});
  EXPECT_EQ(h.windows.messages()[0].icon, MessageIcon::warning);
  EXPECT_EQ(h.w().txt状況.selectionStart(), h.w().txt状況.text().size());
  EXPECT_EQ(codes(), "100-0001 100-0001 100-0003");
}

TEST_F(RunEndTest, ACheckSaysWhatARunWouldReplaceAndThatItStopped) {
  addFailingPair();
  connect();
  h.shiftClick(h.w().cmd開始);
  EXPECT_EQ(h.statusLog(), "100-0001->100-0002 ... \r\n" + countLine("2", "件置換されます。") +
                               "100-0003->bad ... \r\n  CHECK constraint failed: "
                               "郵便番号 <> 'bad'\r\n" +
                               kCheckStopped + "\r\n");
  EXPECT_EQ(h.messageTexts(),
            std::vector<std::string>{std::string(kConstraint) +
                                     "\r\nCHECK constraint failed: 郵便番号 <> 'bad'\r\n\r\n" +
                                     kCheckStopped});
  EXPECT_EQ(h.statusLog().find("置換しました"), std::string::npos);
  EXPECT_EQ(codes(), "100-0001 100-0001 100-0003");
}

// SQLite opens a file without write bits read-only, for root too: connecting says a run will
// fail, a check still counts, and the run fails with SQLite's words after the sentence.
TEST_F(RunEndTest, AReadOnlyFileIsNamedAtConnectAndItsRunFailureSaysWhy) {
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  connect();
  EXPECT_EQ(h.messageTexts(),
            std::vector<std::string>{"このデータベースファイルは読み取り専用です。置換を実行しても"
                                     "失敗します（確認のみの実行はできます）。"});
  EXPECT_EQ(h.windows.messages()[0].icon, MessageIcon::warning);
  EXPECT_TRUE(h.w().cobテーブル名.enabled());

  h.shiftClick(h.w().cmd開始);
  EXPECT_EQ(h.messageTexts().back(), "（確認のみ）2件置換されます。変更はしていません。");

  h.w().txt状況.setText("");
  h.click(h.w().cmd開始);
  EXPECT_EQ(
      h.messageTexts().back(),
      std::string(kReadOnly) + "\r\nattempt to write a readonly database\r\n\r\n" + kRolledBack);
  EXPECT_EQ(h.statusLog(),
            "100-0001->100-0002 ... \r\n  attempt to write a readonly "
            "database\r\n" +
                std::string(kRolledBack) + "\r\n");
  EXPECT_EQ(codes(), "100-0001 100-0001 100-0003");
}

// Another program holds the write lock: the begin fails, nothing was begun to roll back.
TEST_F(RunEndTest, ALockHeldByAnotherConnectionIsSaidBeforeSQLitesText) {
  connect();
  SqliteFile other(path);
  other.exec("BEGIN IMMEDIATE");
  h.click(h.w().cmd開始);
  other.exec("ROLLBACK");
  EXPECT_EQ(h.messageTexts(),
            std::vector<std::string>{"データベースが他の接続にロックされています（使用中）。"
                                     "しばらくしてからやり直してください。\r\ndatabase is locked"});
  EXPECT_EQ(h.statusLog(), "");
  EXPECT_EQ(codes(), "100-0001 100-0001 100-0003");
}

}  // namespace
}  // namespace norvel
