#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace norvel {

// The leading number of a code, read as the BASIC Val function reads it: blanks, tabs and line
// feeds are skipped wherever they stand, then sign, digits, fraction, exponent (E or D); &H and
// &O read hexadecimal and octal integers.
struct LeadingNumber {
  double value = 0;
  // True when the whole code was a number: at least one digit and nothing left unread.
  bool whole = false;
};
LeadingNumber readLeadingNumber(std::string_view code);

// General number format: integral values as plain digits, at most 15 significant digits, larger
// values in scientific form ("1.23456789012346E+19").
std::string formatGeneralNumber(double value);

// "#,##0": digits grouped by three with commas, at least one digit.
std::string formatCount(std::int64_t count);

}  // namespace norvel
