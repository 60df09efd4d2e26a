#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace norvel::xlsx {

// Worksheet limits of the .xlsx format.
inline constexpr std::uint32_t kMaxRows = 1048576;
inline constexpr std::uint32_t kMaxColumns = 16384;

// 1-based row and column of a cell.
struct CellPosition {
  std::uint32_t row = 0;
  std::uint32_t column = 0;
  friend bool operator==(const CellPosition&, const CellPosition&) = default;
};

struct CellRange {
  CellPosition first;
  CellPosition last;
  bool isSingleCell() const { return first == last; }
  bool contains(CellPosition p) const {
    return p.row >= first.row && p.row <= last.row && p.column >= first.column &&
           p.column <= last.column;
  }
};

// "AA12" → {12, 27}; absolute markers ("$A$1") are accepted. Empty on anything else.
std::optional<CellPosition> parseCellReference(std::string_view text);
// "A1:C3" or a single cell "B2".
std::optional<CellRange> parseCellRange(std::string_view text);
// A row element's r attribute.
std::optional<std::uint32_t> parseRowNumber(std::string_view text);

std::string columnName(std::uint32_t column);
std::string cellReference(CellPosition position);

// "Sheet1", "'Q1 2024'": a sheet name as Excel writes it before "!" in a reference.
std::string quotedSheetName(const std::string& sheet_name);

}  // namespace norvel::xlsx
