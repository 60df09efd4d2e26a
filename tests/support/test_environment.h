#pragma once

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "support/temp_dir.h"

namespace norvel::test {

// The locale the programs fall back to when the environment names no UTF-8 one (under env -i):
// C.UTF-8, set in the environment as well, since Qt, unixODBC and the drivers may call
// setlocale(LC_ALL, "") again and would land in "C", reading UTF-8 text as Latin-1. Always this
// one, whatever the tester's locale: the texts the tests expect are the C locale's. Child
// processes that care (norvel-batch's language tests) set their own locale variables.
inline void useTestLocale() {
#if defined(_WIN32)
  std::setlocale(LC_ALL, "C.UTF-8");
#else
  ::setenv("LC_ALL", "C.UTF-8", 1);
  std::setlocale(LC_ALL, "C.UTF-8");
#endif
}

// Debian registers psqlODBC with CommLog=1 (its odbcinst.ini template), so every connection
// leaves a psqlodbc_*.log in /tmp, and a connection string cannot turn that off. The tests, and
// the programs they start, read a copy of the drivers' registrations with the logs off
// (ODBCSYSINI names its folder, removed at exit). A tester's own ODBCSYSINI is kept.
inline void quietOdbcDriverLogs() {
#if !defined(_WIN32)
  if (std::getenv("ODBCSYSINI") != nullptr) return;
  std::ifstream drivers("/etc/odbcinst.ini", std::ios::binary);
  if (!drivers) return;
  std::stringstream text;
  text << drivers.rdbuf();
  static const norvel::testing::TempDir folder;
  // Readable by the unprivileged user some tests drop to.
  std::filesystem::permissions(folder.path(), std::filesystem::perms::owner_all |
                                                  std::filesystem::perms::group_exec |
                                                  std::filesystem::perms::others_exec);
  const std::regex logging(R"(^([ \t]*(CommLog|Debug)[ \t]*=)[ \t]*[1-9][0-9]*)",
                           std::regex::icase | std::regex::multiline);
  std::ofstream(folder.file("odbcinst.ini"), std::ios::binary)
      << std::regex_replace(text.str(), logging, "$010");
  if (std::ifstream sources("/etc/odbc.ini", std::ios::binary); sources) {
    std::ofstream(folder.file("odbc.ini"), std::ios::binary) << sources.rdbuf();
  }
  ::setenv("ODBCSYSINI", folder.path().c_str(), 1);
#endif
}

// The journals of committed runs go to a folder of the test run's own (removed at exit), never
// the tester's; a test that looks at them names its own.
inline void keepRunJournalsAway() {
  static const norvel::testing::TempDir folder;
#if defined(_WIN32)
  ::_putenv_s("LOCALAPPDATA", folder.path().string().c_str());
#else
  ::setenv("XDG_STATE_HOME", folder.path().c_str(), 1);
#endif
}

// What every test executable sets up before its first test.
inline void useTestEnvironment() {
  useTestLocale();
  quietOdbcDriverLogs();
  keepRunJournalsAway();
}

}  // namespace norvel::test
