#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/process.h"

namespace norvel {

// The running process as main() sees it.
class PosixProcess : public Process {
 public:
  PosixProcess(int argc, const char* const* argv);

  // /proc/self/exe; where that cannot be read, argv[0] made absolute.
  std::string executablePath() const override { return executable_path_; }

  // argv[1..] joined with single blanks.
  std::string commandLineArgument() const override { return argument_; }

  // Throws FileError with the system's text when the directory cannot be named (for example
  // after it was removed).
  std::string currentDirectory() const override;

  std::string userConfigDirectory() const override;
  std::string installedBinDirectory() const override;

 private:
  std::string executable_path_;
  std::string argument_;
};

// argv[0] as an absolute path: relative to start_directory when it names a directory part,
// else the first executable match in search_path (PATH's colon-separated list), else relative
// to start_directory.
std::string absoluteProgramPath(std::string_view argv0, const std::string& start_directory,
                                std::string_view search_path);

}  // namespace norvel
