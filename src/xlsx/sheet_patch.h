#pragma once

#include <string>
#include <vector>

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
  std::vector<Splice> splices;    // ordered
  bool formula_replaced = false;  // a formula cell now holds a plain value
};

// Where new values go into a worksheet part, found in one pass over it; every byte outside
// the edited cells stays. Text becomes an inline string, a number a <v>, an empty value a
// cell without value; the cell keeps its style. Cells and rows that the XML leaves out are
// inserted in order. Throws DatabaseError.
SheetPatch planSheetPatch(const std::string& part_name, EntryReader& part,
                          std::vector<CellEdit> edits);

// The same with the part's index, taken from the very bytes part inflates to: only the
// edited rows are parsed.
SheetPatch planSheetPatch(const std::string& part_name, EntryReader& part, const SheetIndex& index,
                          std::vector<CellEdit> edits);

}  // namespace norvel::xlsx
