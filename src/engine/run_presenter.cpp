#include "engine/run_presenter.h"

#include "catalog/failure_texts.h"
#include "catalog/pair_texts.h"
#include "catalog/reason_texts.h"
#include "catalog/run_texts.h"

namespace norvel {

// Pairs the user may not have meant are named before the first pair's line.
void RunPresenter::pairsReviewed(const std::vector<PairFinding>& findings) {
  if (!options_.show_findings) return;
  for (const PairFinding& finding : findings) {
    display_.note(pairFindingText(finding, options_.language));
  }
}

// A check says why its pairs go one by one; a run just runs.
void RunPresenter::runsPairByPair(PerPairCause cause) {
  if (mode_ == RunMode::dryRun) display_.note(perPairCauseText(cause));
}

void RunPresenter::pairStarted(std::size_t /*index*/, const RunPair& pair) {
  display_.pairLine(pair.old_code + "->" + pair.new_code + " ... ");
}

void RunPresenter::pairReplaced(std::size_t /*index*/, std::int64_t rows) {
  const bool would = mode_ == RunMode::dryRun && options_.check_says_would_replace;
  display_.statusLine(resultLine(rows, would ? CountTense::wouldReplace : CountTense::replaced));
  display_.pairDone();
}

void RunPresenter::pairFailed(std::size_t /*index*/, const RunFailure& failure) {
  if (failure.stage == RunStage::interrupted || stopped()) return;
  display_.warning(
      failureMessage(failureText(failure, options_.language), failure.error, options_.language));
  // A pair whose probe failed keeps only its progress line; the status line keeps the window's
  // words, which norvel-batch's scripts read in every locale.
  if (failure.stage != RunStage::probe) display_.statusLine("  " + failure.description);
}

void RunPresenter::committed(std::int64_t total) {
  display_.committed(replacedText(total));
}

void RunPresenter::rolledBack(std::int64_t total, const std::optional<RunFailure>& failure) {
  if (!failure && mode_ == RunMode::dryRun) display_.checked(replacedText(total));
}

void RunPresenter::runFailed(const RunFailure& failure) {
  if (!stopped()) {
    reportEnd(
        failureMessage(failureText(failure, options_.language), failure.error, options_.language),
        failure.description);
  }
}

void RunPresenter::commitFailed(const RunFailure& failure) {
  commit_failed_ = true;
  if (failure.stage != RunStage::interrupted) {
    reportEnd(
        failureMessage(failureText(failure, options_.language), failure.error, options_.language),
        failure.description);
  }
}

// After a failed commit the user has been told that nothing was committed; the rollback's own
// failure adds nothing they can act on.
void RunPresenter::rollbackFailed(const std::string& description) {
  if (!commit_failed_) reportEnd(description, description);
}

// The status line keeps the data source's text alone: norvel-batch's scripts read it.
void RunPresenter::reportEnd(const std::string& message, const std::string& description) {
  display_.warning(message);
  display_.statusLine("  " + description);
}

// A failed begin leaves nothing to undo, and its failure is the caller's to show.
void RunPresenter::finished(const RunResult& result) {
  if (result.outcome != RunOutcome::failed || !result.failure ||
      result.failure->stage == RunStage::begin) {
    return;
  }
  const RunEnd end = result.rollback_failure                          ? RunEnd::rollbackFailed
                     : result.failure->stage == RunStage::interrupted ? RunEnd::interrupted
                                                                      : RunEnd::failed;
  display_.ended(runEndText(end, mode_ == RunMode::dryRun));
}

}  // namespace norvel
