#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace norvel {

// Reads an environment variable; none when unset.
using EnvironmentLookup = std::function<std::optional<std::string>(const char*)>;

EnvironmentLookup processEnvironment();

// Where journals go unless told otherwise: $XDG_STATE_HOME/norvel/runs (~/.local/state/norvel/
// runs), %LOCALAPPDATA%\norvel\runs on Windows. Empty when neither the variable nor a home
// folder is known.
std::string defaultJournalFolder(const EnvironmentLookup& environment);

// "20261209T213005.123Z 住所.郵便番号.csv": names sort by the time of the run (UTC, to the
// millisecond) and say which table and field it changed; characters a file name cannot hold
// become "_".
std::string journalFileName(std::chrono::system_clock::time_point time, const std::string& table,
                            const std::string& field);

// The same time as the journal's header holds it: "2026-12-09T21:30:05.123Z".
std::string journalTimeText(std::chrono::system_clock::time_point time);

// The user the process runs for, from the environment; "" when unknown.
std::string journalUser(const EnvironmentLookup& environment);

}  // namespace norvel
