#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "xlsx/sheet_cells.h"

namespace norvel::xlsx {

// The Excel driver reads at most this many columns of a worksheet.
inline constexpr std::size_t kMaxFields = 255;

struct SheetField {
  std::string name;
  std::uint32_t column = 0;  // worksheet column
  bool numeric = false;      // every value a number: a Double field, otherwise text
};

// A worksheet seen as a table, as the Excel driver presents it: the used range from its first
// to its last cell with a value; with a header row the range's first row names the fields.
struct SheetLayout {
  std::vector<SheetField> fields;
  std::uint32_t first_row = 1;  // first data row
  std::uint32_t last_row = 0;   // last data row; below first_row when there is none
  std::string row_alias;        // the SQL name of the hidden row number
};

// Throws DatabaseError only when no name is left for the hidden row number.
SheetLayout layoutSheet(const SheetCells& sheet, bool header_row);

// "F3": the name of a field without a header text, by its position in the range.
std::string positionalFieldName(std::size_t index);

}  // namespace norvel::xlsx
