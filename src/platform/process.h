#pragma once

#include <string>

namespace norvel {

class Process {
 public:
  virtual ~Process() = default;

  // Absolute path of the running executable.
  virtual std::string executablePath() const = 0;

  // The command-line argument text: the arguments joined with single blanks, empty when none.
  virtual std::string commandLineArgument() const = 0;

  // The process's current directory.
  virtual std::string currentDirectory() const = 0;
};

}  // namespace norvel
