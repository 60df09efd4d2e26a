#pragma once

#include <atomic>
#include <optional>
#include <string>

#include "app/batch/output_sinks.h"
#include "engine/replacement_run.h"

namespace norvel::batch {

// Writes what the window shows of a run: the status box's lines to stdout, its message boxes to
// stderr, in the window's order (a failure's message before its status line, nothing after a
// failed probe but the message). The summary on stdout is the caller's, once the run is over.
class BatchRunObserver : public RunObserver {
 public:
  BatchRunObserver(BatchOutput& output, RunMode mode, const std::atomic<bool>& stop)
      : output_(output), mode_(mode), stop_(stop) {}

  void runsPairByPair(PerPairCause cause) override;
  void pairStarted(std::size_t index, const RunPair& pair) override;
  void pairReplaced(std::size_t index, std::int64_t rows) override;
  void pairFailed(std::size_t index, const RunFailure& failure) override;
  void committed(std::int64_t total) override;
  void rolledBack(std::int64_t total, const std::optional<RunFailure>& failure) override;
  void runFailed(const RunFailure& failure) override;
  void commitFailed(const RunFailure& failure) override;
  void rollbackFailed(const std::string& description) override;

  // The summary of a run that went through, as written to stderr.
  const std::optional<std::string>& summary() const { return summary_; }

 private:
  void reportEnd(const std::string& description);

  BatchOutput& output_;
  RunMode mode_;
  const std::atomic<bool>& stop_;
  bool commit_failed_ = false;
  std::optional<std::string> summary_;
};

// The summary of a dry run, from the window's own summary text.
std::string dryRunSummary(std::string_view summary);

}  // namespace norvel::batch
