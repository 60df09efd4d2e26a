#include "journal/journal_location.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace norvel {
namespace {

struct UtcParts {
  std::tm tm{};
  int milliseconds = 0;
};

UtcParts utcOf(std::chrono::system_clock::time_point time) {
  const auto since = time.time_since_epoch();
  const auto seconds = std::chrono::floor<std::chrono::seconds>(since);
  UtcParts parts;
  parts.milliseconds = static_cast<int>(
      std::chrono::duration_cast<std::chrono::milliseconds>(since - seconds).count());
  const std::time_t whole = static_cast<std::time_t>(seconds.count());
#ifdef _WIN32
  gmtime_s(&parts.tm, &whole);
#else
  gmtime_r(&whole, &parts.tm);
#endif
  return parts;
}

std::string formatted(std::chrono::system_clock::time_point time, const char* format) {
  const UtcParts parts = utcOf(time);
  char text[64];
  std::snprintf(text, sizeof text, format, parts.tm.tm_year + 1900, parts.tm.tm_mon + 1,
                parts.tm.tm_mday, parts.tm.tm_hour, parts.tm.tm_min, parts.tm.tm_sec,
                parts.milliseconds);
  return text;
}

// Keeps the name readable (Japanese included) and safe on every file system.
std::string fileNamePart(const std::string& name) {
  std::string part;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    const bool unsafe =
        byte < 0x20 || std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos;
    part += unsafe ? '_' : c;
  }
  if (part.size() > 80) part.resize(80);  // a cut inside a character only shows as "?"
  return part.empty() ? std::string("_") : part;
}

}  // namespace

EnvironmentLookup processEnvironment() {
  return [](const char* name) -> std::optional<std::string> {
    const char* value = std::getenv(name);
    if (value == nullptr) return std::nullopt;
    return std::string(value);
  };
}

std::string defaultJournalFolder(const EnvironmentLookup& environment) {
#ifdef _WIN32
  if (auto local = environment("LOCALAPPDATA"); local && !local->empty()) {
    return *local + "\\norvel\\runs";
  }
  return {};
#else
  if (auto state = environment("XDG_STATE_HOME");
      state && !state->empty() && state->front() == '/') {
    return *state + "/norvel/runs";
  }
  if (auto home = environment("HOME"); home && !home->empty()) {
    return *home + "/.local/state/norvel/runs";
  }
  return {};
#endif
}

std::string journalTimeText(std::chrono::system_clock::time_point time) {
  return formatted(time, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ");
}

std::string journalFileName(std::chrono::system_clock::time_point time, const std::string& table,
                            const std::string& field) {
  return formatted(time, "%04d%02d%02dT%02d%02d%02d.%03dZ") + " " + fileNamePart(table) + "." +
         fileNamePart(field) + ".csv";
}

std::string journalUser(const EnvironmentLookup& environment) {
  for (const char* name : {"USER", "LOGNAME", "USERNAME"}) {
    if (auto user = environment(name); user && !user->empty()) return *user;
  }
  return {};
}

}  // namespace norvel
