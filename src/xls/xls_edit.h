#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "xls/xls_book.h"
#include "xlsx/sheet_patch.h"

namespace norvel::xls {

// The Workbook stream with the edits of each worksheet (by its index in book.sheets()) made.
// Only the edited cells' records change: a text becomes a LABELSST (an existing shared string
// of the same text, or one appended to the table), a number a NUMBER, an empty value a BLANK
// that keeps the cell's format; a number cell given a text that its format shows for a
// number takes that number. The shared string table's counts, its CONTINUE records and EXTSST
// follow, and so does every stream position that moves (BOUNDSHEET8, INDEX, DBCELL). Throws
// DatabaseError naming a cell that cannot be written.
std::string editWorkbookStream(const XlsBook& book,
                               const std::map<std::size_t, std::vector<xlsx::CellEdit>>& edits);

}  // namespace norvel::xls
