#pragma once

#include <string>
#include <string_view>

namespace norvel::postal {

// The form in which two spellings of one name compare equal: full-width letters, digits and
// signs become ASCII, half-width katakana become full-width (voiced marks joined), the wave
// dashes and minus signs that code page 932 and UTF-8 editions spell differently become '~'
// and '-', and blanks are dropped. Bytes that are not UTF-8 are kept as they are.
std::string foldWidth(std::string_view utf8);

// The folded form appended to out.
void appendFolded(std::string& out, std::string_view utf8);

}  // namespace norvel::postal
