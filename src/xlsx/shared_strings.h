#pragma once

#include <string>
#include <vector>

#include <pugixml.hpp>

namespace norvel::xlsx {

// The text of an <si> or <is>: its own <t> or the <t> of every rich-text run <r>, joined.
// Phonetic runs (<rPh>, the furigana of Japanese text) are not part of the value.
std::string joinedText(pugi::xml_node string_item);

// The shared string table, by index. Throws DatabaseError when the part is not well-formed.
std::vector<std::string> readSharedStrings(const std::string& part_name, const std::string& xml);

}  // namespace norvel::xlsx
