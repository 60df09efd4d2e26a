#include "text/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace norvel {
namespace {

bool isSkipped(char c) {
  return c == ' ' || c == '\t' || c == '\n';
}

// The code without the characters the reading skips.
std::string significant(std::string_view code) {
  std::string out;
  out.reserve(code.size());
  for (char c : code) {
    if (!isSkipped(c)) out.push_back(c);
  }
  return out;
}

LeadingNumber readRadix(std::string_view digits, int radix) {
  LeadingNumber result;
  std::uint64_t value = 0;
  std::size_t used = 0;
  for (char c : digits) {
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (radix == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (radix == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit < 0 || digit >= radix) break;
    value = value * static_cast<std::uint64_t>(radix) + static_cast<std::uint64_t>(digit);
    ++used;
  }
  // As Val does: a value that fits 16 or 32 bits is read as that signed integer.
  double v = static_cast<double>(value);
  if (value <= 0xFFFF && value > 0x7FFF)
    v = static_cast<double>(static_cast<std::int16_t>(value));
  else if (value <= 0xFFFFFFFF && value > 0x7FFFFFFF)
    v = static_cast<double>(static_cast<std::int32_t>(value));
  result.value = v;
  result.whole = used > 0 && used == digits.size();
  return result;
}

}  // namespace

LeadingNumber readLeadingNumber(std::string_view code) {
  const std::string s = significant(code);
  if (s.size() >= 2 && s[0] == '&') {
    if (s[1] == 'H' || s[1] == 'h') return readRadix(std::string_view(s).substr(2), 16);
    if (s[1] == 'O' || s[1] == 'o') return readRadix(std::string_view(s).substr(2), 8);
  }
  std::size_t i = 0;
  std::string number;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) number.push_back(s[i++]);
  std::size_t digits = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
    number.push_back(s[i++]);
    ++digits;
  }
  if (i < s.size() && s[i] == '.') {
    number.push_back(s[i++]);
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
      number.push_back(s[i++]);
      ++digits;
    }
  }
  if (digits > 0 && i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
    std::size_t j = i + 1;
    std::string exponent = "E";
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) exponent.push_back(s[j++]);
    std::size_t exponent_digits = 0;
    while (j < s.size() && s[j] >= '0' && s[j] <= '9') {
      exponent.push_back(s[j++]);
      ++exponent_digits;
    }
    if (exponent_digits > 0) {
      number += exponent;
      i = j;
    }
  }
  LeadingNumber result;
  if (digits > 0) result.value = std::strtod(number.c_str(), nullptr);
  result.whole = digits > 0 && i == s.size();
  return result;
}

std::string formatGeneralNumber(double value) {
  if (value == 0) return "0";  // also for -0
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-Infinity" : "Infinity";
  // printf's %.15G, but without the locale's decimal separator.
  char buffer[64];
  const auto [end, error] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
  if (error != std::errc()) return "0";
  std::string text(buffer, end);
  if (const auto e = text.find('e'); e != std::string::npos) text[e] = 'E';
  return text;
}

std::string formatCount(std::int64_t count) {
  const bool negative = count < 0;
  std::uint64_t magnitude =
      negative ? 0 - static_cast<std::uint64_t>(count) : static_cast<std::uint64_t>(count);
  std::string digits = std::to_string(magnitude);
  std::string grouped;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped.push_back(',');
    grouped.push_back(digits[i]);
  }
  return negative ? "-" + grouped : grouped;
}

}  // namespace norvel
