#include "xlsx/cell_reference.h"
#include "text/ascii_case.h"

#include <algorithm>
#include <cctype>

namespace norvel::xlsx {

namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

std::optional<std::uint32_t> parseNumber(std::string_view digits, std::uint32_t max) {
  if (digits.empty() || digits.size() > 9) return std::nullopt;
  std::uint32_t value = 0;
  for (char c : digits) {
    if (!isDigit(c)) return std::nullopt;
    value = value * 10 + static_cast<std::uint32_t>(c - '0');
  }
  if (value == 0 || value > max) return std::nullopt;
  return value;
}

}  // namespace

std::optional<CellPosition> parseCellReference(std::string_view text) {
  std::size_t i = 0;
  if (i < text.size() && text[i] == '$') ++i;
  std::uint32_t column = 0;
  std::size_t letters = 0;
  for (; i < text.size(); ++i, ++letters) {
    const char c = asciiUpper(text[i]);
    if (c < 'A' || c > 'Z') break;
    if (letters == 3) return std::nullopt;
    column = column * 26 + static_cast<std::uint32_t>(c - 'A' + 1);
  }
  if (letters == 0 || column > kMaxColumns) return std::nullopt;
  if (i < text.size() && text[i] == '$') ++i;
  auto row = parseNumber(text.substr(i), kMaxRows);
  if (!row) return std::nullopt;
  return CellPosition{*row, column};
}

std::optional<CellRange> parseCellRange(std::string_view text) {
  auto colon = text.find(':');
  auto first = parseCellReference(text.substr(0, colon));
  if (!first) return std::nullopt;
  if (colon == std::string_view::npos) return CellRange{*first, *first};
  auto last = parseCellReference(text.substr(colon + 1));
  if (!last || last->row < first->row || last->column < first->column) return std::nullopt;
  return CellRange{*first, *last};
}

std::optional<std::uint32_t> parseRowNumber(std::string_view text) {
  return parseNumber(text, kMaxRows);
}

std::string columnName(std::uint32_t column) {
  std::string name;
  while (column > 0) {
    --column;
    name.insert(name.begin(), static_cast<char>('A' + column % 26));
    column /= 26;
  }
  return name;
}

std::string cellReference(CellPosition position) {
  return columnName(position.column) + std::to_string(position.row);
}

std::string quotedSheetName(const std::string& sheet_name) {
  const bool plain = !sheet_name.empty() && !isDigit(sheet_name[0]) &&
                     std::all_of(sheet_name.begin(), sheet_name.end(), [](char c) {
                       const auto byte = static_cast<unsigned char>(c);
                       return byte >= 0x80 || std::isalnum(byte) || c == '_' || c == '.';
                     });
  if (plain) return sheet_name;
  std::string quoted = "'";
  for (char c : sheet_name) {
    quoted += c;
    if (c == '\'') quoted += c;
  }
  return quoted + "'";
}

}  // namespace norvel::xlsx
