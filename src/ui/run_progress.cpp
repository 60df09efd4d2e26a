#include "ui/run_progress.h"

#include "text/number_text.h"

namespace norvel {
namespace {

std::string count(std::size_t value) {
  return formatCount(static_cast<std::int64_t>(value));
}

}  // namespace

namespace run_step {

std::string beginning() {
  return "開始しています…";
}
std::string replacing(std::size_t pairs) {
  return "置換しています（置換ペア " + count(pairs) + " 件）…";
}
std::string pair(std::size_t number, std::size_t pairs) {
  return "置換しています（" + count(number) + " / " + count(pairs) + " 件目）…";
}
std::string committing() {
  return "確定しています…";
}
std::string rollingBack() {
  return "元に戻しています…";
}
std::string interrupting() {
  return "中断しています…";
}

}  // namespace run_step

// Until the first pair's line, the run may be applying every pair at once.
void RunProgress::began() {
  step_(run_step::replacing(pairs_));
  inner_.began();
}

void RunProgress::pairStarted(std::size_t index, const RunPair& pair) {
  step_(run_step::pair(index + 1, pairs_));
  inner_.pairStarted(index, pair);
}

// After the last pair only the end of the transaction is left: a commit, or a check's rollback.
void RunProgress::pairReplaced(std::size_t index, std::int64_t rows) {
  if (index + 1 == pairs_) {
    step_(mode_ == RunMode::commit ? run_step::committing() : run_step::rollingBack());
  }
  inner_.pairReplaced(index, rows);
}

void RunProgress::pairFailed(std::size_t index, const RunFailure& failure) {
  step_(run_step::rollingBack());
  inner_.pairFailed(index, failure);
}

void RunProgress::commitFailed(const RunFailure& failure) {
  step_(run_step::rollingBack());
  inner_.commitFailed(failure);
}

void RunProgress::runFailed(const RunFailure& failure) {
  step_(run_step::rollingBack());
  inner_.runFailed(failure);
}

}  // namespace norvel
