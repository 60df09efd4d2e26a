#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace norvel::postal {

// The fields of one comma-separated line: a field in double quotes may hold commas, and a
// doubled double quote inside it stands for one.
std::vector<std::string> splitCsvLine(std::string_view line);

// The same into fields, whose strings keep their capacity from line to line.
void splitCsvLine(std::string_view line, std::vector<std::string>& fields);

// The field as a spreadsheet reads it back: quoted when it holds a comma, a quote or a line end.
std::string quoteCsvField(std::string_view field);

}  // namespace norvel::postal
