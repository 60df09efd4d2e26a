#include <gtest/gtest.h>

#include <ctime>

#include "support/sqlite_fixture.h"
#include "support/window_harness.h"
#include "ui/run_header.h"

namespace norvel {
namespace {

using testing::SqliteFile;
using testing::WindowHarness;

// Every progress line the status box was given, in order.
class ProgressRecorder : public FormObserver {
 public:
  void progressChanged(Control& control) override { seen.push_back(control.progressLine()); }
  std::vector<std::string> seen;
};

class RunWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path = h.dir.file("address.sqlite");
    SqliteFile(path).exec(
        "CREATE TABLE 住所 (郵便番号 TEXT, 町域 TEXT);"
        "INSERT INTO 住所 VALUES ('100-0001', 'a'), ('100-0001', 'b'), ('100-0003', 'c');");
    ASSERT_TRUE(h.start());
  }
  // The status box's lines, without their line ends.
  std::vector<std::string> statusLines() {
    std::vector<std::string> lines;
    const std::string& text = h.w().txt状況.text();
    for (std::size_t at = 0; at < text.size();) {
      const std::size_t end = text.find("\r\n", at);
      lines.push_back(text.substr(at, end - at));
      at = end + 2;
    }
    return lines;
  }

  WindowHarness h;
  std::string path;
};

// The step of the run is shown beside the lines and never becomes one of them.
TEST_F(RunWindowTest, TheProgressLineFollowsTheRunAndIsGoneAfterIt) {
  h.addPair("100-0001", "100-0002");
  h.addPair("100-0003", "100-0004");
  h.addPair("100-0005", "100-0006");
  h.connectFile(path, "住所", "郵便番号");
  ProgressRecorder recorder;
  h.form().addObserver(&recorder);
  h.click(h.w().cmd開始);
  h.form().removeObserver(&recorder);
  // Three pairs against a small file go one by one, so each one is told.
  EXPECT_EQ(recorder.seen, (std::vector<std::string>{
                               "開始しています…", "置換しています（置換ペア 3 件）…",
                               "置換しています（1 / 3 件目）…", "置換しています（2 / 3 件目）…",
                               "置換しています（3 / 3 件目）…", "確定しています…", ""}));
  EXPECT_EQ(h.w().txt状況.progressLine(), "");
  EXPECT_EQ(h.statusLog().find("しています"), std::string::npos);

  // A check ends with a rollback, and says so while it does.
  recorder.seen.clear();
  h.form().addObserver(&recorder);
  h.shiftClick(h.w().cmd開始);
  h.form().removeObserver(&recorder);
  ASSERT_GE(recorder.seen.size(), 2u);
  EXPECT_EQ(recorder.seen[recorder.seen.size() - 2], "元に戻しています…");
  EXPECT_EQ(recorder.seen.back(), "");
}

// Each run begins with its own header: when, which table and field, how many pairs; the lines
// of the runs stay as they were under them.
TEST_F(RunWindowTest, EachRunBeginsWithAHeaderLine) {
  h.addPair("100-0001", "100-0002");
  h.connectFile(path, "住所", "郵便番号");
  const std::time_t before = std::time(nullptr);
  h.shiftClick(h.w().cmd開始);
  h.click(h.w().cmd開始);
  const std::vector<std::string> lines = statusLines();
  std::vector<std::string> headers;
  for (const std::string& line : lines) {
    if (line.rfind(std::string(kRunHeaderMark), 0) == 0) headers.push_back(line);
  }
  ASSERT_EQ(headers.size(), 2u) << h.w().txt状況.text();
  EXPECT_EQ(lines.front(), headers[0]);
  EXPECT_NE(headers[0].find("（確認のみ）"), std::string::npos) << headers[0];
  EXPECT_EQ(headers[1].find("（確認のみ）"), std::string::npos) << headers[1];
  for (const std::string& header : headers) {
    EXPECT_NE(header.find("テーブル 住所　フィールド 郵便番号　置換ペア 1 件"), std::string::npos)
        << header;
  }
  // The header of the second run comes right after the first run's last line; the committed
  // run ends by naming its journal.
  EXPECT_EQ(lines[lines.size() - 5], "（確認のみ）変更はしていません。");
  EXPECT_EQ(lines[lines.size() - 4], headers[1]);
  EXPECT_EQ(lines[lines.size() - 2], "                       2件置換しました。");
  EXPECT_EQ(lines.back().rfind("実行の記録: ", 0), 0u) << lines.back();
  // The time is the run's own, to the second.
  const std::tm local = *std::localtime(&before);
  char day[16];
  std::strftime(day, sizeof day, "%Y/%m/%d", &local);
  EXPECT_EQ(headers[1].find(day), std::string(kRunHeaderMark).size() + 1) << headers[1];
}

TEST(RunHeader, SaysTimeTableFieldAndPairs) {
  std::tm local{};
  local.tm_year = 2026 - 1900;
  local.tm_mon = 0;
  local.tm_mday = 2;
  local.tm_hour = 3;
  local.tm_min = 4;
  local.tm_sec = 5;
  local.tm_isdst = -1;
  const std::time_t when = std::mktime(&local);
  EXPECT_EQ(runHeaderLine(when, {"住所", "郵便番号"}, 12345, RunMode::commit),
            "―― 2026/01/02 03:04:05　テーブル 住所　フィールド 郵便番号　置換ペア 12,345 件 ――");
  EXPECT_EQ(
      runHeaderLine(when, {"Sheet1$", "F1"}, 1, RunMode::dryRun),
      "―― 2026/01/02 03:04:05　テーブル Sheet1$　フィールド F1　置換ペア 1 件（確認のみ） ――");
}

}  // namespace
}  // namespace norvel
