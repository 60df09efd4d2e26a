#include "app/batch/run_observer.h"

#include "app/batch/batch_text.h"
#include "text/number_text.h"

namespace norvel::batch {
namespace {

constexpr std::string_view kReplaced = "件置換しました。";

// The count right-aligned in 24 columns, as the window's status box has it.
std::string resultLine(std::int64_t rows) {
  std::string count = formatCount(rows);
  if (count.size() < 24) count.insert(0, 24 - count.size(), ' ');
  return count + std::string(kReplaced);
}

}  // namespace

// Beside the pair list's findings: a check says why its pairs go one by one.
void BatchRunObserver::runsPairByPair(PerPairCause cause) {
  if (mode_ == RunMode::dryRun) output_.message(perPairCauseText(cause));
}

void BatchRunObserver::pairStarted(std::size_t /*index*/, const RunPair& pair) {
  output_.pairBegins(pair.old_code + "->" + pair.new_code + " ... ");
}

void BatchRunObserver::pairReplaced(std::size_t /*index*/, std::int64_t rows) {
  output_.statusLine(resultLine(rows));
}

void BatchRunObserver::pairFailed(std::size_t /*index*/, const RunFailure& failure) {
  // A statement cut short by Ctrl+C is no failure of the data: the end of the run says it all.
  if (failure.stage == RunStage::interrupted || stop_.load()) return;
  output_.message(failure.description);
  // The window writes no status line after a failed probe.
  if (failure.stage != RunStage::probe) output_.statusLine("  " + failure.description);
}

void BatchRunObserver::committed(std::int64_t total) {
  summary_ = formatCount(total) + std::string(kReplaced);
  output_.summary(*summary_);
}

void BatchRunObserver::rolledBack(std::int64_t total, const std::optional<RunFailure>& failure) {
  if (failure || mode_ != RunMode::dryRun) return;
  summary_ = dryRunSummary(formatCount(total) + std::string(kReplaced));
  output_.summary(*summary_);
}

void BatchRunObserver::runFailed(const RunFailure& failure) {
  if (stop_.load()) return;
  reportEnd(failure.description);
}

void BatchRunObserver::commitFailed(const RunFailure& failure) {
  commit_failed_ = true;
  if (failure.stage == RunStage::interrupted) return;
  reportEnd(failure.description);
}

void BatchRunObserver::rollbackFailed(const std::string& description) {
  // After a failed commit the window undoes what it can without a word.
  if (commit_failed_) return;
  reportEnd(description);
}

void BatchRunObserver::reportEnd(const std::string& description) {
  output_.message(description);
  output_.statusLine("  " + description);
}

std::string dryRunSummary(std::string_view summary) {
  return tr("dry run: {1} (rolled back, nothing changed)", {summary});
}

}  // namespace norvel::batch
