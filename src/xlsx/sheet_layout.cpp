#include "xlsx/sheet_layout.h"

#include <algorithm>
#include <set>

#include "platform/database.h"
#include "text/ascii_case.h"
#include "text/number_text.h"

namespace norvel::xlsx {

namespace {

// SQL compares names without regard to ASCII case.
std::string foldedCase(const std::string& name) {
  return asciiLowercase(name);
}

std::string cellText(const SheetCells& sheet, const SheetCell& cell) {
  switch (cell.kind) {
    case CellKind::text:
      return std::string(sheet.textOf(cell));
    case CellKind::number:
      return formatGeneralNumber(cell.number);
    case CellKind::boolean:
      return cell.number != 0 ? "TRUE" : "FALSE";
    case CellKind::empty:
      break;
  }
  return {};
}

// The driver replaces the characters that field names cannot hold.
std::string fieldNameFromHeader(std::string text) {
  for (auto& c : text) {
    switch (c) {
      case '.':
        c = '#';
        break;
      case '!':
      case '`':
        c = '_';
        break;
      case '[':
        c = '(';
        break;
      case ']':
        c = ')';
        break;
      default:
        break;
    }
  }
  return text;
}

}  // namespace

std::string positionalFieldName(std::size_t index) {
  return "F" + std::to_string(index + 1);
}

SheetLayout layoutSheet(const SheetCells& sheet, bool header_row) {
  SheetLayout layout;
  if (sheet.cells.empty()) {
    layout.fields.push_back({positionalFieldName(0), 1, false});
    layout.row_alias = "rowid";
    return layout;
  }

  std::uint32_t first_row = sheet.cells.front().position.row;
  std::uint32_t last_row = sheet.cells.back().position.row;
  std::uint32_t first_column = kMaxColumns;
  std::uint32_t last_column = 1;
  for (const auto& cell : sheet.cells) {
    first_column = std::min(first_column, cell.position.column);
    last_column = std::max(last_column, cell.position.column);
  }
  const std::size_t width = std::min<std::size_t>(last_column - first_column + 1, kMaxFields);

  layout.first_row = header_row ? first_row + 1 : first_row;
  layout.last_row = last_row;

  std::vector<std::string> headers(width);
  std::vector<bool> any_value(width, false);
  std::vector<bool> all_numbers(width, true);
  for (const auto& cell : sheet.cells) {
    if (cell.position.column - first_column >= width) continue;
    const std::size_t index = cell.position.column - first_column;
    if (header_row && cell.position.row == first_row) {
      headers[index] = cellText(sheet, cell);
      continue;
    }
    if (cell.kind == CellKind::empty) continue;
    any_value[index] = true;
    if (cell.kind == CellKind::text) all_numbers[index] = false;
  }

  std::set<std::string> taken;
  for (std::size_t i = 0; i < width; ++i) {
    std::string name = fieldNameFromHeader(headers[i]);
    if (name.empty() || taken.count(foldedCase(name)) != 0) name = positionalFieldName(i);
    for (int n = 2; taken.count(foldedCase(name)) != 0; ++n) {
      name = positionalFieldName(i) + "_" + std::to_string(n);
    }
    taken.insert(foldedCase(name));
    layout.fields.push_back(
        {name, first_column + static_cast<std::uint32_t>(i), any_value[i] && all_numbers[i]});
  }

  for (const char* alias : {"rowid", "oid", "_rowid_"}) {
    if (taken.count(alias) == 0) {
      layout.row_alias = alias;
      break;
    }
  }
  if (layout.row_alias.empty()) {
    throw DatabaseError(
        "rowid、oid、_rowid_ という名前のフィールドをすべて含むワークシートには対応していません");
  }
  return layout;
}

}  // namespace norvel::xlsx
