#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "xlsx/cell_formats.h"
#include "xlsx/cell_reference.h"
#include "xlsx/sheet_stream.h"
#include "xlsx/text_pool.h"

namespace norvel::xlsx {

class EntryReader;

// empty: a formula without a cached result; it still belongs to the used range.
enum class CellKind : std::uint8_t { empty, number, text, boolean };

// A cell that holds a value (a formula's cached value included) or a formula. Its text is
// kept apart (see SheetCells::textOf): a large sheet has millions of cells.
struct SheetCell {
  CellPosition position;
  CellKind kind = CellKind::text;
  bool shared = false;           // the text is the shared string numbered text_begin
  CellFormats::Slot format = 0;  // of a number; kept in what would be padding
  std::uint32_t text_size = 0;
  double number = 0;  // the number, or 1 and 0 for TRUE and FALSE
  std::uint64_t text_begin = 0;
};

// Why a cell cannot take a value: a value in place of a formula would drop the formula.
enum class LockReason : std::uint8_t {
  arrayPart,  // a cell of an array formula or data table over several cells, or the anchor
              // of a shared formula used by others
  formula,    // a cell with a formula of its own
};

struct LockedRange {
  CellRange range;
  LockReason reason = LockReason::formula;
};

struct SheetCells {
  // Sorted by row, then column. A deque grows without copying what it holds, which for
  // millions of cells would double the peak.
  std::deque<SheetCell> cells;
  std::vector<LockedRange> locked;  // document order
  bool has_formulas = false;
  TextPool texts;    // the cells' own texts
  SheetIndex index;  // where the rows stand, for writing back
  const std::vector<std::string>* shared_strings = nullptr;
  const CellFormats* formats = nullptr;

  std::string_view textOf(const SheetCell& cell) const {
    if (cell.shared) return (*shared_strings)[cell.text_begin];
    return texts.view(cell.text_begin, cell.text_size);
  }
  // A number cell's value as a text field holds it: as its format shows it.
  std::string numberText(const SheetCell& cell) const {
    return formats->shownText(cell.number, cell.format);
  }
};

// Reads a worksheet part as it inflates. Throws DatabaseError naming the part on anything
// unreadable, and naming the cell ("Sheet1!A5") when a row or a cell appears twice: Excel
// would keep one of the two and a replacement could miss the other. The cells refer to
// shared_strings and formats, which must outlive them.
SheetCells readSheetCells(const std::string& sheet_name, const std::string& part_name,
                          EntryReader& part, const std::vector<std::string>& shared_strings,
                          const CellFormats& formats = CellFormats::general());

}  // namespace norvel::xlsx
