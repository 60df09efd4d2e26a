#pragma once

#include <memory>
#include <string>

#include "platform/database.h"
#include "platform/file_system.h"

namespace norvel {

// Opens an Excel workbook as a data source: every worksheet is a table "<sheet>$".
// header_row: row 1 holds the field names (otherwise fields are F1…Fn and row 1 is data).
// Throws DatabaseError with a clear description (missing file, .xls, corrupt file, …).
std::unique_ptr<DatabaseConnection> openWorkbook(const std::string& path, bool header_row);
// The same, reading and saving through files.
std::unique_ptr<DatabaseConnection> openWorkbook(const std::string& path, bool header_row,
                                                 FileSystem& files);

}  // namespace norvel
