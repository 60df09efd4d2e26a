#include "engine/run_presenter.h"

#include "text/number_text.h"

namespace norvel {

constexpr std::string_view kReplaced = "件置換しました。";
constexpr std::size_t kCountColumns = 24;

std::string replacedText(std::int64_t rows) {
  return formatCount(rows) + std::string(kReplaced);
}

std::string resultLine(std::int64_t rows) {
  std::string count = formatCount(rows);
  if (count.size() < kCountColumns) count.insert(0, kCountColumns - count.size(), ' ');
  return count + std::string(kReplaced);
}

// Pairs the user may not have meant are named before the first pair's line.
void RunPresenter::pairsReviewed(const std::vector<PairFinding>& findings) {
  if (!show_findings_) return;
  for (const PairFinding& finding : findings) display_.note(finding.text);
}

// A check says why its pairs go one by one; a run just runs.
void RunPresenter::runsPairByPair(PerPairCause cause) {
  if (mode_ == RunMode::dryRun) display_.note(perPairCauseText(cause));
}

void RunPresenter::pairStarted(std::size_t /*index*/, const RunPair& pair) {
  display_.pairLine(pair.old_code + "->" + pair.new_code + " ... ");
}

void RunPresenter::pairReplaced(std::size_t /*index*/, std::int64_t rows) {
  display_.statusLine(resultLine(rows));
  display_.pairDone();
}

void RunPresenter::pairFailed(std::size_t /*index*/, const RunFailure& failure) {
  if (failure.stage == RunStage::interrupted || stopped()) return;
  display_.warning(failure.description);
  // A pair whose probe failed keeps only its progress line.
  if (failure.stage != RunStage::probe) display_.statusLine("  " + failure.description);
}

void RunPresenter::committed(std::int64_t total) {
  display_.committed(replacedText(total));
}

void RunPresenter::rolledBack(std::int64_t total, const std::optional<RunFailure>& failure) {
  if (!failure && mode_ == RunMode::dryRun) display_.checked(replacedText(total));
}

void RunPresenter::runFailed(const RunFailure& failure) {
  if (!stopped()) reportEnd(failure.description);
}

void RunPresenter::commitFailed(const RunFailure& failure) {
  commit_failed_ = true;
  if (failure.stage != RunStage::interrupted) reportEnd(failure.description);
}

// After a failed commit the user has been told that nothing was committed; the rollback's own
// failure adds nothing they can act on.
void RunPresenter::rollbackFailed(const std::string& description) {
  if (!commit_failed_) reportEnd(description);
}

void RunPresenter::reportEnd(const std::string& description) {
  display_.warning(description);
  display_.statusLine("  " + description);
}

}  // namespace norvel
