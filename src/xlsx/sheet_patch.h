#pragma once

#include <string>
#include <vector>

#include "xlsx/cell_reference.h"

namespace norvel::xlsx {

struct CellValue {
  enum class Type { empty, number, text } type = Type::empty;
  double number = 0;
  std::string text;
};

struct CellEdit {
  CellPosition position;
  CellValue value;
};

struct PatchedSheet {
  std::string xml;
  bool formula_replaced = false;  // a formula cell now holds a plain value
};

// Writes new values into a worksheet part and keeps every byte outside the edited cells. Text
// becomes an inline string, a number a <v>, an empty value a cell without value; the cell keeps
// its style. Cells and rows that the XML leaves out are inserted in order. Throws DatabaseError.
PatchedSheet patchSheet(const std::string& part_name, const std::string& xml,
                        std::vector<CellEdit> edits);

}  // namespace norvel::xlsx
