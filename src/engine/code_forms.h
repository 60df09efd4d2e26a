#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace norvel {

// The other ways the same postal code is commonly stored: seven digits with or without the
// hyphen after the third, in ASCII or full-width digits. Empty for a text that is not such a
// code; the code itself is never among them.
std::vector<std::string> otherFormsOfCode(std::string_view code);

}  // namespace norvel
