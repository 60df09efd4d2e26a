#pragma once

#include <string>
#include <vector>

#include "platform/process.h"

namespace norvel {

// The file the installer writes beside the programs (scripts/windows-installer.nsi).
inline constexpr const wchar_t* kInstalledMarker = L"norvel-installed.txt";

// The program's folder when the installer put it there (kInstalledMarker is beside it), else
// empty: an installed copy keeps its pair list in %APPDATA% even though a per-user install's
// folder is writable; a portable copy keeps it beside itself.
std::string installedFolderOf(const std::string& executable_path);

// The running process, from the wide calls: argv as main() gets it is in the ANSI code page,
// which cannot hold every Japanese name.
class Win32Process : public Process {
 public:
  // main()'s argv is not used: it is in the ANSI code page; the wide command line is.
  Win32Process(int argc = 0, const char* const* argv = nullptr);

  // GetModuleFileNameW.
  std::string executablePath() const override { return executable_path_; }
  // The arguments after the program's name, joined with single blanks.
  std::string commandLineArgument() const override { return argument_; }
  std::string currentDirectory() const override;
  // %APPDATA%, the roaming profile's folder for settings.
  std::string userConfigDirectory() const override;
  // installedFolderOf(executablePath()).
  std::string installedBinDirectory() const override;

 private:
  std::string executable_path_;
  std::string argument_;
};

// The command line as UTF-8 arguments (CommandLineToArgvW), with argc/argv for parsers that
// take them. argv()[argc()] is null, as in main().
class Utf8Arguments {
 public:
  // main()'s arguments are not used, for the reason above.
  Utf8Arguments(int argc = 0, char** argv = nullptr);
  int argc() const { return static_cast<int>(arguments_.size()); }
  char** argv() { return pointers_.data(); }
  const std::vector<std::string>& arguments() const { return arguments_; }

 private:
  std::vector<std::string> arguments_;
  std::vector<char*> pointers_;
};

}  // namespace norvel
