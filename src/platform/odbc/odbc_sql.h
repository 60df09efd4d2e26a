#pragma once

// ODBC's headers, which on Windows take their types (DWORD, HWND, GUID) from windows.h.
#if defined(_WIN32)
#include <windows.h>
#endif

// clang-format off
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>
// clang-format on
