#pragma once

#include <QStringList>

#include <string_view>

namespace norvel {

// The file-open dialog's filter "description|pattern|description|pattern…" (patterns separated
// by ";") as Qt's name filters "description (pattern pattern)", in the same order. A description
// that already ends with its pattern in parentheses is kept as it is. After the given entries
// come the formats this build also opens, so that the first entry does not hide them: where an
// Access file is asked for (default extension "mdb") every file this build opens there, then
// SQLite files; where an Excel file is (default extension "xls") .xlsx workbooks; and last every
// file.
QStringList qtNameFilters(std::string_view filter, std::string_view default_ext);

}  // namespace norvel
