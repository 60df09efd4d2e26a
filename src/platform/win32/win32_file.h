#pragma once

#include <windows.h>

#include <string>

#include "platform/win32/win32_handle.h"

namespace norvel::win32 {

// Opens an existing file for reading; others may read, write and delete it meanwhile, as with
// open() on POSIX. An invalid handle on failure, with GetLastError set.
Handle openForReading(const std::string& path);

// Reads to end of file or `limit` bytes, appending to bytes. 0 or the GetLastError code.
DWORD readAll(HANDLE file, std::string& bytes, std::size_t limit = static_cast<std::size_t>(-1));

// Writes every byte. 0 or the GetLastError code.
DWORD writeAll(HANDLE file, std::string_view bytes);

}  // namespace norvel::win32
