// How the presenter ends a run that did not go through, in the window's and norvel-batch's
// settings, over a real SQLite file: an interrupted run and an interrupted check say what became
// of the data, a failure is led by the sentence of its kind in Japanese only, and the status
// lines that norvel-batch prints stay the data source's text alone.
#include <gtest/gtest.h>

#include <atomic>

#include "engine/replacement_run.h"
#include "engine/run_presenter.h"
#include "platform/sqlite/sqlite_connection.h"
#include "support/sqlite_fixture.h"
#include "support/temp_dir.h"

namespace norvel {
namespace {

using testing::SqliteFile;
using testing::TempDir;
using Lines = std::vector<std::string>;

// What a run shows, one entry per call; a stop is requested once `stop_after` pairs are done.
class RecordingDisplay : public RunDisplay {
 public:
  void note(std::string_view text) override { lines.push_back("note: " + std::string(text)); }
  void pairLine(std::string_view line) override { lines.emplace_back(line); }
  void statusLine(std::string_view line) override { lines.emplace_back(line); }
  void warning(std::string_view text) override { lines.push_back("box: " + std::string(text)); }
  void committed(std::string_view text) override { lines.push_back("total: " + std::string(text)); }
  void checked(std::string_view text) override { lines.push_back("checked: " + std::string(text)); }
  void ended(std::string_view text) override { lines.push_back("end: " + std::string(text)); }
  void pairDone() override {
    if (++done == stop_after) stop.store(true);
  }

  Lines lines;
  std::atomic<bool> stop{false};
  int stop_after = -1;
  int done = 0;
};

class RunPresenterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SqliteFile db(path_);
    db.exec(
        "CREATE TABLE 住所 (郵便番号 TEXT CHECK (郵便番号 <> 'bad'));"
        "INSERT INTO 住所 VALUES ('100-0001'), ('100-0001'), ('100-0003');");
  }

  RunResult run(RecordingDisplay& display, RunMode mode, PresenterOptions options,
                const std::vector<RunPair>& pairs) {
    auto connection = openSqlite(path_);
    options.stop = &display.stop;
    RunPresenter presenter(display, mode, options);
    const RunResult result =
        runReplacement(*connection, {"住所", "郵便番号"}, pairs, presenter,
                       {.mode = mode, .stop = &display.stop, .strategy = RunStrategy::perPair});
    presenter.finished(result);
    return result;
  }

  std::string codes() {
    return SqliteFile(path_).scalar("SELECT group_concat(郵便番号, ' ') FROM 住所");
  }

  TempDir dir_;
  std::string path_ = dir_.file("address.sqlite");
  const std::vector<RunPair> pairs_ = {{"100-0001", "100-0002"}, {"100-0003", "100-0004"}};
};

TEST_F(RunPresenterTest, AnInterruptedRunSaysItWasRolledBackInJapanese) {
  for (const auto& [mode, count_line, end] :
       std::vector<std::tuple<RunMode, std::string, std::string>>{
           {RunMode::commit, "件置換しました。",
            "中断したため、すべての置換を取り消しました（ロールバック）。データは何も変わって"
            "いません。"},
           {RunMode::dryRun, "件置換されます。",
            "（確認のみ）確認を中断しました。変更はしていません。"}}) {
    RecordingDisplay display;
    display.stop_after = 1;
    const RunResult result = run(display, mode, {.check_says_would_replace = true}, pairs_);
    EXPECT_EQ(display.lines, (Lines{"100-0001->100-0002 ... ",
                                    std::string(23, ' ') + "2" + count_line, "end: " + end}));
    ASSERT_TRUE(result.failure);
    EXPECT_EQ(result.failure->stage, RunStage::interrupted);
    for (const std::string& line : display.lines) {
      EXPECT_EQ(line.find("interrupted"), std::string::npos) << line;
    }
    EXPECT_EQ(codes(), "100-0001 100-0001 100-0003");
  }
}

// norvel-batch's settings: the run's words in a check, no sentence before the driver's text in
// English, and no end line (norvel-batch says it in its own words).
TEST_F(RunPresenterTest, AFailureIsLedByItsKindInJapaneseOnlyAndTheStatusLineStaysTheDrivers) {
  const std::vector<RunPair> failing = {{"100-0001", "100-0002"}, {"100-0003", "bad"}};
  const std::string driver = "CHECK constraint failed: 郵便番号 <> 'bad'";
  for (const auto& [language, box] : std::vector<std::pair<Language, std::string>>{
           {Language::english, driver},
           {Language::japanese,
            "テーブルの制約（一意・外部キー・CHECK・NOT NULL・トリガーなど）により変更が拒否"
            "されました。\r\n" +
                driver}}) {
    RecordingDisplay display;
    run(display, RunMode::dryRun, {.show_findings = false, .language = language}, failing);
    const std::string end = "end: （確認のみ）エラーのため確認を中止しました。変更はしていません。";
    EXPECT_EQ(display.lines,
              (Lines{"100-0001->100-0002 ... ", std::string(23, ' ') + "2件置換しました。",
                     "100-0003->bad ... ", "box: " + box, "  " + driver, end}));
    EXPECT_EQ(codes(), "100-0001 100-0001 100-0003");
  }
}

// A begin that fails leaves nothing to roll back: no end line, the caller shows the failure.
TEST_F(RunPresenterTest, AFailedBeginHasNoEndLine) {
  SqliteFile other(path_);
  other.exec("BEGIN IMMEDIATE");
  RecordingDisplay display;
  auto connection = openSqlite(path_, std::chrono::milliseconds(10));
  RunPresenter presenter(display, RunMode::commit);
  const RunResult result = runReplacement(*connection, {"住所", "郵便番号"}, pairs_, presenter);
  presenter.finished(result);
  other.exec("ROLLBACK");
  ASSERT_TRUE(result.failure);
  EXPECT_EQ(result.failure->stage, RunStage::begin);
  ASSERT_TRUE(result.failure->error);
  EXPECT_EQ(result.failure->error->category(), DatabaseErrorCategory::busy);
  EXPECT_EQ(display.lines, Lines{});
}

}  // namespace
}  // namespace norvel
