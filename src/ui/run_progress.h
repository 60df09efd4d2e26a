#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "engine/replacement_run.h"

namespace norvel {

// The status box's progress line: which step of the run is going on.
namespace run_step {
std::string beginning();
std::string replacing(std::size_t pairs);
std::string pair(std::size_t number, std::size_t pairs);
std::string committing();
std::string rollingBack();
std::string interrupting();
}  // namespace run_step

// Passes every call on to the run's own observer and, before it, tells `step` the step the run
// has reached. On the run's thread.
class RunProgress final : public RunObserver {
 public:
  RunProgress(RunObserver& inner, std::size_t pairs, RunMode mode,
              std::function<void(std::string)> step)
      : inner_(inner), pairs_(pairs), mode_(mode), step_(std::move(step)) {}

  void began() override;
  void pairsReviewed(const std::vector<PairFinding>& findings) override {
    inner_.pairsReviewed(findings);
  }
  void runsPairByPair(PerPairCause cause) override { inner_.runsPairByPair(cause); }
  void pairStarted(std::size_t index, const RunPair& pair) override;
  void probed(std::size_t index, int ado_type) override { inner_.probed(index, ado_type); }
  void pairReplaced(std::size_t index, std::int64_t rows) override;
  void pairFailed(std::size_t index, const RunFailure& failure) override;
  void committed(std::int64_t total) override { inner_.committed(total); }
  void rolledBack(std::int64_t total, const std::optional<RunFailure>& failure) override {
    inner_.rolledBack(total, failure);
  }
  void commitFailed(const RunFailure& failure) override;
  void runFailed(const RunFailure& failure) override;
  void rollbackFailed(const std::string& description) override {
    inner_.rollbackFailed(description);
  }

 private:
  RunObserver& inner_;
  std::size_t pairs_;
  RunMode mode_;
  std::function<void(std::string)> step_;
};

}  // namespace norvel
