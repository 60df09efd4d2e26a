#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "xlsx/cell_reference.h"

namespace norvel::xlsx {

// empty: a formula without a cached result; it still belongs to the used range.
enum class CellKind : std::uint8_t { empty, number, text, boolean };

// A cell that holds a value (a formula's cached value included) or a formula.
struct SheetCell {
  CellPosition position;
  CellKind kind = CellKind::text;
  double number = 0;  // the number, or 1 and 0 for TRUE and FALSE
  std::string text;
};

struct SheetCells {
  std::vector<SheetCell> cells;  // sorted by row, then column
  // Cells that cannot take a value without breaking a formula: every cell of an array formula
  // or data table over several cells, and the anchor of a shared formula used by others.
  std::vector<CellRange> locked;
  bool has_formulas = false;
};

// Reads a worksheet part. Throws DatabaseError naming the part on anything unreadable, and
// naming the cell ("Sheet1!A5") when a row or a cell appears twice: Excel would keep one of
// the two and a replacement could miss the other.
SheetCells readSheetCells(const std::string& sheet_name, const std::string& part_name,
                          const std::string& xml, const std::vector<std::string>& shared_strings);

// Walks <sheetData> as Excel reads it: a row without r follows the previous row, a cell
// without r follows the previous cell of its row. The reader and the writer share it so that
// both agree on where every cell is.
void walkSheetData(pugi::xml_node sheet_data, const std::string& part_name,
                   const std::function<void(pugi::xml_node row, std::uint32_t number)>& on_row,
                   const std::function<void(pugi::xml_node cell, CellPosition)>& on_cell);

}  // namespace norvel::xlsx
