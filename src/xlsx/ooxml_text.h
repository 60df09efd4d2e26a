#pragma once

#include <string>
#include <string_view>

namespace norvel::xlsx {

// Spreadsheet text carries characters that XML cannot hold as "_xHHHH_" (a UTF-16 code unit);
// a literal "_xHHHH_" is written with its underscore escaped as "_x005F_".
std::string decodeCellText(std::string_view text);
std::string encodeCellText(std::string_view text);

// Escapes text for element content, or for an attribute value between double quotes.
std::string escapeXml(std::string_view text);
std::string escapeXmlAttribute(std::string_view text);

// Whether leading or trailing white space needs xml:space="preserve" on a <t>.
bool needsSpacePreserve(std::string_view text);

}  // namespace norvel::xlsx
