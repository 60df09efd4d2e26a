#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace norvel::xlsx {

// The number in a cell's <v>; empty when it is not a finite number.
std::optional<double> parseCellNumber(std::string_view text);

// The shortest text that reads back as the same double, for a <v>; empty when not finite.
std::optional<std::string> cellNumberText(double value);

}  // namespace norvel::xlsx
