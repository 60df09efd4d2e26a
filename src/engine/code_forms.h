#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace norvel {

// The other ways the same postal code is commonly stored: seven digits with or without the
// hyphen after the third, in ASCII or full-width digits. Empty for a text that is not such a
// code; the code itself is never among them.
std::vector<std::string> otherFormsOfCode(std::string_view code);

// The seven ASCII digits of a code written as NNNNNNN or NNN-NNNN, each digit ASCII or
// full-width, with the hyphens an input method gives; nullopt for any other text.
std::optional<std::string> digitsOfCode(std::string_view code);

}  // namespace norvel
