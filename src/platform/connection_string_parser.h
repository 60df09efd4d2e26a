#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace norvel {

// One "key=value" entry of an ADO or ODBC connection string.
struct ConnectionStringPair {
  std::string key;    // blanks around it removed; a segment without '=' is all key
  std::string value;  // blanks around it and its enclosing quotes or braces removed
  std::string text;   // the segment exactly as written, for passing it on unchanged
  // Where the segment stands in the string: [begin, end), and where the value as written (after
  // the '=') begins; value_begin is end when the segment has no '='.
  std::size_t begin = 0;
  std::size_t value_begin = 0;
  std::size_t end = 0;
  char enclosure = 0;  // '"', '\'' or '{' when the value was enclosed
};

// Splits a connection string at ';'. A value may be enclosed in double quotes or apostrophes
// (the quote doubled inside) or in braces ("}}" inside), and then may itself contain ';'.
// Empty segments are skipped; a missing closing quote takes the rest of the string.
std::vector<ConnectionStringPair> parseConnectionString(std::string_view text);

// The value of the last pair with this key, compared without regard to ASCII case.
std::optional<std::string> connectionStringValue(const std::vector<ConnectionStringPair>& pairs,
                                                 std::string_view key);

// A value enclosed again the way it was read ('"', '\'' or '{'; 0 leaves it as it is).
std::string encloseValue(std::string_view value, char enclosure);

bool equalsIgnoreCase(std::string_view a, std::string_view b);
bool startsWithIgnoreCase(std::string_view text, std::string_view prefix);
bool containsIgnoreCase(std::string_view text, std::string_view part);

}  // namespace norvel
