#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/code_page.h"

namespace norvel {

// Byte length of the text in code page 932; a character it cannot represent counts one byte.
std::int32_t AnsiByteLength(const CodePage932& code_page, std::string_view text);

// The longest beginning of the text, in whole characters, whose code page 932 form has at most
// max_bytes bytes.
std::string AnsiLeft(const CodePage932& code_page, std::string_view text, std::int32_t max_bytes);

}  // namespace norvel
