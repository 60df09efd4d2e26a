#pragma once

#include <cstddef>
#include <string>

#include "xlsx/memory_database.h"
#include "xlsx/sheet_cells.h"
#include "xlsx/sheet_layout.h"

namespace norvel::xlsx {

// Every change to a worksheet table is logged as (sheet, row, field, original value), the first
// change of a cell only, so that a commit writes exactly the cells whose value differs.
inline constexpr const char* kChangeLog = "norvel_changed_cells";

void createChangeLog(MemoryDatabase& db);

// Creates the table of one worksheet and copies its values in; each row is stored under its
// worksheet row number as the hidden rowid. Text fields compare without regard to ASCII case,
// as the Excel driver does, and take a number as its format shows it. A change of a cell with
// a formula is refused with a message that names the cell.
void copySheet(MemoryDatabase& db, std::size_t sheet_index, const std::string& sheet_name,
               const std::string& table_name, const SheetLayout& layout, const SheetCells& cells);

}  // namespace norvel::xlsx
