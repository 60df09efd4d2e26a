#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/replacement_run.h"

namespace norvel::testing {

// A run's observer calls as lines, to compare runs with each other or with what is expected:
// "0 old->new", "0 rows", "0 failed: text", "committed N", "rolled back N" (with " after a
// failure" when one stopped the run).
class RunRecorder : public RunObserver {
 public:
  void pairStarted(std::size_t i, const RunPair& pair) override {
    lines.push_back(std::to_string(i) + " " + pair.old_code + "->" + pair.new_code);
  }
  void pairReplaced(std::size_t i, std::int64_t rows) override {
    lines.push_back(std::to_string(i) + " " + std::to_string(rows));
  }
  void pairFailed(std::size_t i, const RunFailure& failure) override {
    lines.push_back(std::to_string(i) + " failed: " + failure.description);
  }
  void committed(std::int64_t total) override {
    lines.push_back("committed " + std::to_string(total));
  }
  void rolledBack(std::int64_t total, const std::optional<RunFailure>& failure) override {
    lines.push_back("rolled back " + std::to_string(total) + (failure ? " after a failure" : ""));
  }

  std::vector<std::string> lines;
};

// Every call of a run's observer, the probes and the run's own failure included: for comparing
// two strategies' runs line by line.
class FullRunRecorder : public RunObserver {
 public:
  void pairStarted(std::size_t i, const RunPair& pair) override {
    lines.push_back(std::to_string(i) + " " + pair.old_code + "->" + pair.new_code);
  }
  void probed(std::size_t i, int type) override {
    lines.push_back(std::to_string(i) + " type " + std::to_string(type));
  }
  void pairReplaced(std::size_t i, std::int64_t rows) override {
    lines.push_back(std::to_string(i) + " " + std::to_string(rows));
  }
  void pairFailed(std::size_t i, const RunFailure& failure) override {
    lines.push_back(std::to_string(i) + " failed: " + failure.description);
  }
  void committed(std::int64_t total) override {
    lines.push_back("committed " + std::to_string(total));
  }
  void runFailed(const RunFailure& failure) override {
    lines.push_back("run failed: " + failure.description);
  }
  void rolledBack(std::int64_t total, const std::optional<RunFailure>&) override {
    lines.push_back("rolled back " + std::to_string(total));
  }

  std::vector<std::string> lines;
};

}  // namespace norvel::testing
