#pragma once

#include <cstddef>
#include <initializer_list>
#include <string_view>

namespace norvel::xlsx {

// The parsed tree of a part costs memory by the element (about 60 bytes each, the markup
// itself as little as 4), so markup out of all proportion to what the part holds is refused
// before it is parsed: beyond a fixed allowance, at most kElementsPerItem elements for each
// item (a row, a cell, a shared string). Real worksheets use 2 to 4 a cell, rich text a few
// more.
inline constexpr std::size_t kElementsPerItem = 32;
inline constexpr std::size_t kElementAllowance = 100000;

// Counts start tags by their local name; comments, CDATA and processing instructions are not
// elements. Throws DatabaseError naming the part.
void checkElementCount(std::string_view part_name, std::string_view xml,
                       std::initializer_list<std::string_view> item_names,
                       std::string_view items_described_as);

// The same check on counts made while the part was read.
void checkElementTotals(std::string_view part_name, std::size_t elements, std::size_t items,
                        std::string_view items_described_as);

}  // namespace norvel::xlsx
