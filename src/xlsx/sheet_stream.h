#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "xlsx/cell_reference.h"

namespace norvel::xlsx {

class EntryReader;

// Where an element stands in the part's bytes: from its '<' to just past its end tag, and
// where its end tag starts (its end when it is written as <x/>).
struct ElementBytes {
  std::uint64_t begin = 0;
  std::uint64_t content_end = 0;
  std::uint64_t end = 0;
  bool emptyElement() const { return content_end == end; }
};

struct StreamedRow {
  std::uint32_t number = 0;
  std::string name;    // as written, prefix included: "row", "x:row"
  ElementBytes bytes;  // end and content_end are known at the row's end only
  bool custom_format = false;
  std::optional<std::string> style;
  std::string attributes;  // as attributesText writes them, when asked for
};

struct StreamedCell {
  CellPosition position;
  std::string name;
  ElementBytes bytes;
  std::string type;             // t
  std::uint32_t style = 0;      // s
  std::string kept_attributes;  // all but t, cm and vm, when asked for
  bool has_formula = false;     // the first <f>:
  std::string formula_type;
  std::string formula_range;
  bool has_value = false;  // the first <v>
  std::string value;
  bool has_inline = false;  // the first <is>: its <t> and the <t> of its runs, joined, undecoded
  std::string inline_text;
};

struct ColumnStyle {
  std::uint32_t first = 0;
  std::uint32_t last = 0;
  std::string style;
};

// What stands around the cells.
struct SheetFrame {
  bool has_sheet_data = false;
  std::string sheet_data_name;
  std::string sheet_data_attributes;  // when asked for
  ElementBytes sheet_data;
  std::vector<ColumnStyle> column_styles;  // <col> with a style other than 0
  bool utf8 = true;                        // the part's bytes are UTF-8
};

// Where a row stands in the part's bytes.
struct RowMark {
  std::uint32_t number = 0;
  std::uint64_t begin = 0;
  std::uint64_t end = 0;
};

// What a writer needs to find its way in a part without reading it through again: the frame
// and every row, in document order. Valid for the part's bytes it was read from only.
struct SheetIndex {
  SheetFrame frame;
  std::vector<RowMark> rows;
};

class SheetVisitor {
 public:
  virtual ~SheetVisitor() = default;
  // Whether a row and its cells need their attributes as text, when they are asked for.
  virtual bool wantsAttributes(std::uint32_t /*row*/) const { return true; }
  virtual void rowStart(const StreamedRow&) {}
  virtual void rowEnd(const StreamedRow&) {}
  virtual void cell(const StreamedCell&) = 0;
};

// Reads a worksheet part as it inflates, without holding it: <sheetData> walked as Excel
// reads it (a row without r follows the previous row, a cell without r follows the previous
// cell of its row), so that the reader and the writer agree on where every cell is. Markup
// out of proportion to the rows and cells is refused as checkElementCount refuses it. Throws
// DatabaseError naming the part.
SheetFrame streamSheet(const std::string& part_name, EntryReader& entry, SheetVisitor& visitor,
                       bool with_attributes);

// Reads one row element cut from a part, where it stood at row.begin; a row without r gets
// row.number. Byte positions are the part's.
void streamRow(const std::string& part_name, std::string_view row_bytes, const RowMark& row,
               SheetVisitor& visitor);

}  // namespace norvel::xlsx
