#pragma once

#include <string>
#include <string_view>

namespace norvel::odbc {

// UTF-8 <-> UTF-16 for the wide ODBC calls. Malformed input (invalid bytes, lone surrogates)
// becomes U+FFFD rather than failing: the text is going to or coming from a driver message or
// a name, where a visible replacement beats losing the whole operation.
std::u16string utf8ToUtf16(std::string_view text);
std::string utf16ToUtf8(std::u16string_view utf16);

}  // namespace norvel::odbc
