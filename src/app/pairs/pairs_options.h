#pragma once

#include <iosfwd>
#include <string>
#include <variant>
#include <vector>

namespace norvel::pairs_tool {

inline constexpr int kExitWritten = 0;      // the pair list and the report were written
inline constexpr int kExitWriteFailed = 1;  // an output file could not be written
inline constexpr int kExitBadInput = 2;     // usage error, or an input that cannot be used

struct PairsOptions {
  bool changes = false;  // the inputs are monthly del/add files, not two whole lists
  std::vector<std::string> inputs;
  std::string out = "pairs.csv";
  std::string report = "pairs-report.csv";
  bool hyphen = false;
};

// The options, or the exit code when there is nothing more to do (--help, a usage error).
std::variant<PairsOptions, int> parseOptions(int argc, const char* const* argv, std::ostream& out,
                                             std::ostream& err);

}  // namespace norvel::pairs_tool
