#pragma once

#include <optional>
#include <string>

#include "platform/process.h"

namespace norvel::batch {

// The real process, except that its command-line argument text is the pair list file the window
// is to load (--pairs), or empty so that the window reads its default file. The window takes
// its load path from that text and nothing else.
class PairFileProcess : public Process {
 public:
  PairFileProcess(const Process& real, std::optional<std::string> pair_file)
      : real_(real), pair_file_(std::move(pair_file)) {}

  std::string executablePath() const override { return real_.executablePath(); }
  std::string commandLineArgument() const override { return pair_file_.value_or(""); }
  std::string currentDirectory() const override { return real_.currentDirectory(); }

 private:
  const Process& real_;
  std::optional<std::string> pair_file_;
};

}  // namespace norvel::batch
