#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace norvel::win32 {

// The wide (UTF-16) form of UTF-8 text, as the W calls take it. Bytes that are not UTF-8 become
// U+FFFD, so a damaged name fails to open instead of naming another file.
std::wstring wideFromUtf8(std::string_view utf8);

// UTF-8 of wide text from the system; an unpaired surrogate becomes U+FFFD.
std::string utf8FromWide(std::wstring_view wide);

// The system's own description of an error code (GetLastError), without the line break
// FormatMessageW ends it with.
std::string systemErrorText(DWORD error);

}  // namespace norvel::win32
