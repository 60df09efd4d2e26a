#pragma once

#include <string>
#include <string_view>

namespace norvel {

// The text before the first delimiter found (the first delimiter character of the list that
// occurs in the text decides). With remove, the text loses the token and the delimiter.
std::string CutToken(std::string& text, std::string_view delimiters, bool remove);

// Every quote character written twice.
std::string DoubleQuoteChars(std::string_view text, std::string_view quote);

// The quote character that encloses every field of the line (tab, apostrophe or double
// quotation mark), or empty for a plain line.
std::string DetectQuoteChar(std::string_view line, std::string_view delimiter);

// The next field of the line; the line loses it and its delimiter.
std::string ReadCsvField(std::string& line, std::string_view delimiter, std::string_view quote,
                         bool remove);

// The quote character for a line holding these codes: ", else ', else tab.
std::string ChooseQuoteChar(std::string_view text);

struct PairCodes {
  std::string old_code;
  std::string new_code;
};

// One line of the pair list file read back. Quoted lines undo the doubling of their quote
// character, so that every line formatPairLine writes reads back as the same pair.
PairCodes parsePairLine(std::string_view line);

// The line written for a pair (without its line end).
std::string formatPairLine(std::string_view old_code, std::string_view new_code);

// The list box line of a pair.
std::string pairDisplayLine(std::string_view old_code, std::string_view new_code);

}  // namespace norvel
