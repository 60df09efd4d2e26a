#pragma once

#include <string>
#include <vector>

namespace norvel::xlsx {

class EntryReader;

// The shared string table, by index, read as the part inflates. The text of an <si> is its
// own <t> or the <t> of every rich-text run <r>, joined; phonetic runs (<rPh>, the furigana of
// Japanese text) are not part of the value. Throws DatabaseError when the part is not
// well-formed.
std::vector<std::string> readSharedStrings(const std::string& part_name, EntryReader& part);

}  // namespace norvel::xlsx
