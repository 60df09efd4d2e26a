#pragma once

#include <string>
#include <vector>

#include "xlsx/cell_formats.h"
#include "xlsx/cell_reference.h"
#include "xlsx/sheet_stream.h"
#include "xlsx/spliced_part.h"

namespace norvel::xlsx {

class EntryReader;

struct CellValue {
  enum class Type { empty, number, text } type = Type::empty;
  double number = 0;
  std::string text;
};

struct CellEdit {
  CellPosition position;
  CellValue value;
};

struct SheetPatch {
  std::vector<Splice> splices;  // ordered
};

// Where new values go into a worksheet part, found in one pass over it; every byte outside
// the edited cells stays. Text becomes an inline string, a number a <v>, an empty value a
// cell without value; the cell keeps its style. A number cell given a text that its format
// shows for a number (formats.numberShownAs) takes that number, so that it stays a number
// cell. Cells and rows that the XML leaves out are inserted in order. A cell with a formula
// is never written. Throws DatabaseError.
SheetPatch planSheetPatch(const std::string& part_name, EntryReader& part,
                          std::vector<CellEdit> edits,
                          const CellFormats& formats = CellFormats::general());

// The same with the part's index, taken from the very bytes part inflates to: only the
// edited rows are parsed.
SheetPatch planSheetPatch(const std::string& part_name, EntryReader& part, const SheetIndex& index,
                          std::vector<CellEdit> edits,
                          const CellFormats& formats = CellFormats::general());

}  // namespace norvel::xlsx
