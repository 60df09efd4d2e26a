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

  // The user's folder for configuration files ($XDG_CONFIG_HOME, else ~/.config), or empty
  // when there is none: the pair lists then stay beside the executable.
  virtual std::string userConfigDirectory() const { return {}; }

  // The bin folder an installed copy runs from (the install prefix compiled in), or empty.
  virtual std::string installedBinDirectory() const { return {}; }
};

}  // namespace norvel
