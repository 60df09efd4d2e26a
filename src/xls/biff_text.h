#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "xls/biff_records.h"

namespace norvel::xls {

// Characters as BIFF8 stores them: one byte each (the high byte zero) or UTF-16LE.
void appendCharacters(std::string& utf8, std::string_view bytes, bool wide);

// The UTF-16LE form of a UTF-8 text, and whether it needs two bytes a character.
std::string utf16Of(std::string_view utf8, bool& wide);

// An XLUnicodeString (a 16-bit count, flags, characters) or, with a short count, a
// ShortXLUnicodeString, from the start of data; *size receives the bytes it takes. Throws
// DatabaseError naming what when it runs past data.
std::string readUnicodeString(std::string_view data, bool short_count, std::size_t* size,
                              const char* what);

// Where a string of the shared string table begins: the record (0 the SST, then its CONTINUE
// records) and the offset in its data.
struct StringStart {
  std::size_t record = 0;
  std::size_t offset = 0;
};

struct SharedStringTable {
  std::uint32_t total = 0;  // cstTotal: cells that refer to the table
  std::vector<std::string> texts;
  std::vector<StringStart> starts;
  // The end of the last string, where more can be appended; unset when bytes follow it.
  bool appendable = true;
};

// parts: the data of the SST record and of the CONTINUE records after it.
SharedStringTable readSharedStrings(const std::vector<std::string_view>& parts);

}  // namespace norvel::xls
