#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "catalog/language.h"
#include "engine/replacement_run.h"

namespace norvel {

// Where a run is shown: the window's status box and message boxes, or norvel-batch's stdout and
// stderr. Lines come without their line end.
class RunDisplay {
 public:
  virtual ~RunDisplay() = default;
  // The transaction is open and the pairs are about to run.
  virtual void began() {}
  // Something to read before the pairs (why a check runs them one by one).
  virtual void note(std::string_view text) = 0;
  // A pair's first line, «old->new ... ».
  virtual void pairLine(std::string_view line) = 0;
  // Any other line of the status box: a pair's count, an error after its message.
  virtual void statusLine(std::string_view line) = 0;
  // A failure as a message box shows it (its category's sentence, then the data source's
  // text), before its status line.
  virtual void warning(std::string_view text) = 0;
  // The total of a committed run, «1,234件置換しました。».
  virtual void committed(std::string_view summary) = 0;
  // The total of a check that went through, in the same words; nothing was changed.
  virtual void checked(std::string_view /*summary*/) {}
  // After the lines of a pair that went through.
  virtual void pairDone() {}
  // A run that failed or was interrupted after its transaction was open, once it is over: what
  // became of the data, in the window's words (norvel-batch says it in its own).
  virtual void ended(std::string_view /*text*/) {}
};

struct PresenterOptions {
  // Set from another thread to stop the run: a statement it cuts short is no failure to show.
  const std::atomic<bool>* stop = nullptr;
  // The pair list's findings are notes before the first pair (the window); false where the
  // caller has shown them before the run (norvel-batch).
  bool show_findings = true;
  // The language of the findings, the refusals and the failures' category sentences.
  Language language = Language::japanese;
  // A check's count lines say what a run would replace (the window); norvel-batch keeps the
  // run's words, which scripts read.
  bool check_says_would_replace = false;
};

// How a run is shown, the same in the window and in norvel-batch: per pair its line and its count
// right-aligned in 24 columns, or the failure's message then «  » and its text (no status line
// after a failed probe); a failure of the commit, the rollback or the set-based statements as a
// message and a status line; after a commit the total. A statement cut short by a stop request
// is no failure of the data: the end of the run says it all.
class RunPresenter : public RunObserver {
 public:
  RunPresenter(RunDisplay& display, RunMode mode, PresenterOptions options = {})
      : display_(display), mode_(mode), options_(options) {}

  void began() override { display_.began(); }
  void pairsReviewed(const std::vector<PairFinding>& findings) override;
  void runsPairByPair(PerPairCause cause) override;
  void pairStarted(std::size_t index, const RunPair& pair) override;
  void pairReplaced(std::size_t index, std::int64_t rows) override;
  void pairFailed(std::size_t index, const RunFailure& failure) override;
  void committed(std::int64_t total) override;
  void rolledBack(std::int64_t total, const std::optional<RunFailure>& failure) override;
  void runFailed(const RunFailure& failure) override;
  void commitFailed(const RunFailure& failure) override;
  void rollbackFailed(const std::string& description) override;

  // After the run: one that failed or was interrupted once its transaction was open ends with
  // what became of the data (RunDisplay::ended).
  void finished(const RunResult& result);

 private:
  bool stopped() const { return options_.stop != nullptr && options_.stop->load(); }
  void reportEnd(const std::string& message, const std::string& description);

  RunDisplay& display_;
  RunMode mode_;
  PresenterOptions options_;
  bool commit_failed_ = false;
};

}  // namespace norvel
