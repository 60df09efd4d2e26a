#pragma once

#include <optional>
#include <string>

namespace norvel {

// Makes the console show the programs' UTF-8 output as it is (code page 65001 for input and
// output) and keeps stdout and stderr byte for byte as on Linux (no LF to CR LF). Named as the
// POSIX start-up step it stands in for; always true. The console's own code pages come back
// when the program ends (win32_console_code_pages.h).
bool useUtf8Locale();

// Nothing to install: Windows has no signal that kills a program between its own cleanup
// steps short of TerminateProcess, which no handler sees either.
inline void installTempFileCleanup() {}

namespace win32 {

// True when the standard handle (STD_OUTPUT_HANDLE, STD_ERROR_HANDLE) is a console.
bool isConsole(unsigned long standard_handle);

// Reads one line from the console with echo off, after writing prompt to it. Nothing when
// there is no console or the input ended before anything was typed.
std::optional<std::string> readHiddenLine(const std::string& prompt);

}  // namespace win32
}  // namespace norvel
