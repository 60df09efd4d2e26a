#pragma once

#include "platform/odbc/odbc_sql.h"

#include <string>
#include <string_view>
#include <vector>

#include "platform/odbc/utf16.h"

namespace norvel::odbc {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "unixODBC's SQLWCHAR is UTF-16");

// A NUL-terminated SQLWCHAR buffer for the W calls.
using WideText = std::vector<SQLWCHAR>;

inline WideText toWide(std::string_view utf8) {
  const std::u16string utf16 = utf8ToUtf16(utf8);
  WideText wide(utf16.begin(), utf16.end());
  wide.push_back(0);
  return wide;
}

inline std::string fromWide(const SQLWCHAR* text, std::size_t length) {
  return utf16ToUtf8(std::u16string(text, text + length));
}

inline SQLINTEGER wideLength(const WideText& wide) {
  return static_cast<SQLINTEGER>(wide.size() - 1);
}

}  // namespace norvel::odbc
