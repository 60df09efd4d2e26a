#include "xlsx/cell_number.h"

#include <charconv>
#include <cmath>

namespace norvel::xlsx {

namespace {

std::string_view trimmed(std::string_view text) {
  const char* blanks = " \t\r\n";
  auto begin = text.find_first_not_of(blanks);
  if (begin == std::string_view::npos) return {};
  auto end = text.find_last_not_of(blanks);
  return text.substr(begin, end - begin + 1);
}

}  // namespace

std::optional<double> parseCellNumber(std::string_view text) {
  text = trimmed(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  // from_chars ignores the locale, so a decimal comma set by setlocale cannot creep in.
  double value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

std::optional<std::string> cellNumberText(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  if (value == 0) return std::string("0");
  char buffer[64];
  auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  if (error != std::errc()) return std::nullopt;
  return std::string(buffer, end);
}

}  // namespace norvel::xlsx
