#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace norvel::xlsx {

// The number in a cell's <v>; empty when it is not a finite number.
std::optional<double> parseCellNumber(std::string_view text);

// The shortest text that reads back as the same double, for a <v>; empty when not finite.
std::optional<std::string> cellNumberText(double value);

// A number shown as text the way the General format shows it: at most 15 significant digits,
// no trailing zeros, an exponent ("1E+20") only where digits would not fit.
std::string generalNumberText(double value);

}  // namespace norvel::xlsx
