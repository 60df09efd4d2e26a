#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace norvel::utf8 {

// Length in bytes of the UTF-8 sequence that starts with this byte (1 for stray bytes, so that
// iteration always advances).
std::size_t sequenceLength(unsigned char lead);

// The byte offset of the next code point after offset.
std::size_t next(std::string_view text, std::size_t offset);

// Length of the well-formed UTF-8 sequence that begins text, or 0 when it is not one (overlong
// forms, surrogates and values beyond U+10FFFF are not).
std::size_t wellFormedLength(std::string_view text);

// Number of code points.
std::size_t length(std::string_view text);

}  // namespace norvel::utf8
