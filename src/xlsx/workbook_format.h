#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "xlsx/sheet_cells.h"
#include "xlsx/sheet_patch.h"

namespace norvel::xlsx {

// A workbook file format as the connection sees it: worksheets read into cells, and edited
// cells written back with everything else in the file kept.
class WorkbookFormat {
 public:
  // Called once per worksheet, in workbook order; the cells may refer to the format's shared
  // strings and number formats, which outlive them.
  using SheetVisitor = std::function<void(const std::string& sheet_name, const SheetCells& cells)>;

  virtual ~WorkbookFormat() = default;

  // Throws DatabaseError naming what cannot be read.
  virtual void readSheets(const std::string& bytes, const SheetVisitor& visit) = 0;

  // The file's new contents with the edits of each worksheet (by its index) made. Throws
  // DatabaseError.
  virtual std::string withEdits(const std::string& bytes,
                                std::map<std::size_t, std::vector<CellEdit>> edits) = 0;

  // The file now holds what the last withEdits returned.
  virtual void saved() {}
};

}  // namespace norvel::xlsx
