// Start-up to the Ready state and exit (which saves the pair list) with a full pair list file of
// 32,767 pairs, against the same with an empty file.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "support/window_harness.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Timing {
  double start_ms;
  double exit_ms;
};

Timing once(const std::string& file_bytes) {
  norvel::testing::WindowHarness h;
  norvel::testing::writeBytes(h.pairFile(), file_bytes);
  const auto t0 = Clock::now();
  if (!h.start()) std::abort();
  const auto t1 = Clock::now();
  h.click(h.w().cmd終了);
  const auto t2 = Clock::now();
  return {std::chrono::duration<double, std::milli>(t1 - t0).count(),
          std::chrono::duration<double, std::milli>(t2 - t1).count()};
}

Timing median(const std::string& file_bytes, int runs) {
  std::vector<double> starts, exits;
  for (int i = 0; i < runs; ++i) {
    const Timing t = once(file_bytes);
    starts.push_back(t.start_ms);
    exits.push_back(t.exit_ms);
  }
  std::sort(starts.begin(), starts.end());
  std::sort(exits.begin(), exits.end());
  return {starts[starts.size() / 2], exits[exits.size() / 2]};
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::atoi(argv[1]) : 15;
  // Real-looking pairs: 7-digit codes with hyphens, some needing quotes, some Japanese.
  std::string full;
  for (int i = 0; i < norvel::kMaxListLines; ++i) {
    char line[64];
    if (i % 100 == 0) {
      std::snprintf(line, sizeof line, "\"%03d-%04d,\",\"%03d-%04d\"\r\n", i % 1000, i, i % 1000,
                    i + 1);
    } else {
      std::snprintf(line, sizeof line, "%03d-%04d,%03d-%04d\r\n", i % 1000, i % 10000, i % 1000,
                    (i + 1) % 10000);
    }
    full += line;
  }
  const Timing empty = median("", runs);
  const Timing loaded = median(full, runs);
  std::printf("pair list          start-up to Ready   exit with save   (median of %d)\n", runs);
  std::printf("empty              %10.2f ms       %10.2f ms\n", empty.start_ms, empty.exit_ms);
  std::printf("32,767 pairs       %10.2f ms       %10.2f ms\n", loaded.start_ms, loaded.exit_ms);
  std::printf("difference         %10.2f ms       %10.2f ms   (goal: under 100 ms each)\n",
              loaded.start_ms - empty.start_ms, loaded.exit_ms - empty.exit_ms);
  return 0;
}
