#pragma once

#include <cstdint>
#include <optional>
#include <string>

// What the SQLite layer asks the system about a database file, on POSIX and on Windows.
namespace norvel::sqlite {

// Which file a path names: a file deleted or replaced while it is open must not take the run's
// changes with it. The device and inode; on Windows the volume serial number and file index.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
};

// Nothing when the file cannot be looked at; lastSystemErrorText() then says why.
std::optional<FileIdentity> identityOf(const std::string& path);

// The system's text for the error that the last failed call above left.
std::string lastSystemErrorText();

// The system's text for an error number sqlite3_system_errno gives: errno on POSIX, a
// GetLastError code on Windows.
std::string systemErrorText(int error);

// True when the file exists and nobody may write it by its own bits (mode bits on POSIX, the
// read-only attribute on Windows).
bool hasNoWriteBits(const std::string& path);

// True for a path that names its file from a root: "/…" on POSIX; on Windows also "C:\…",
// "C:/…" and "\\server\share\…" (and "\…", the current drive's root).
bool isAbsolutePath(const std::string& path);

}  // namespace norvel::sqlite
