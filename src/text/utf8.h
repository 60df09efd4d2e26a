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

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// The code point that begins text and the bytes it takes; length 0 when text does not begin
// with a well-formed sequence (overlong forms, surrogates and values beyond U+10FFFF are not).
struct Decoded {
  char32_t code_point = 0;
  std::size_t length = 0;
};
Decoded decode(std::string_view text);

// Length of the well-formed UTF-8 sequence that begins text, or 0 when it is not one.
std::size_t wellFormedLength(std::string_view text);

// Appends the UTF-8 form of a code point (a scalar value: not a surrogate, at most U+10FFFF).
void append(std::string& out, char32_t code_point);

// Number of code points.
std::size_t length(std::string_view text);

}  // namespace norvel::utf8
