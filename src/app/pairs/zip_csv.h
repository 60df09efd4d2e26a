#pragma once

#include <string>
#include <string_view>

namespace norvel::pairs_tool {

// Japan Post publishes each list as a zip archive holding one CSV file.
bool looksLikeZip(std::string_view bytes);

struct ZipCsv {
  std::string name;  // the entry's name
  std::string bytes;
};

// The one .csv entry of the archive. Throws postal::PostalInputError with libzip's text, or
// when the archive holds no .csv entry or several.
ZipCsv readCsvFromZip(std::string_view archive);

}  // namespace norvel::pairs_tool
