#include "xlsx/sheet_cells.h"

#include <algorithm>
#include <cctype>

#include "platform/database.h"
#include "xlsx/cell_number.h"
#include "xlsx/element_count.h"
#include "xlsx/ooxml_text.h"
#include "xlsx/shared_strings.h"
#include "xlsx/xml_part.h"

namespace norvel::xlsx {

namespace {

[[noreturn]] void failCell(const std::string& part, CellPosition at, const std::string& why) {
  throw DatabaseError(part + ", cell " + cellReference(at) + ": " + why);
}

void readFormula(pugi::xml_node formula, CellPosition at, SheetCells& sheet) {
  sheet.has_formulas = true;
  const std::string_view type = formula.attribute("t").value();
  auto range = parseCellRange(formula.attribute("ref").value());
  if (!range || range->isSingleCell()) return;
  if (type == "array" || type == "dataTable") {
    sheet.locked.push_back(*range);
  } else if (type == "shared") {
    sheet.locked.push_back({at, at});
  }
}

// Returns false for a cell without a value.
bool readValue(pugi::xml_node cell, CellPosition at, const std::string& part,
               const std::vector<std::string>& shared_strings, SheetCell& out) {
  const std::string_view type = cell.attribute("t").value();
  if (type == "inlineStr") {
    auto is = firstChild(cell, "is");
    if (!is) return false;
    out.kind = CellKind::text;
    out.text = joinedText(is);
    return !out.text.empty();
  }
  auto v = firstChild(cell, "v");
  if (!v) return false;
  const std::string_view value = v.text().get();
  if (type == "s") {
    auto index = parseCellNumber(value);
    if (!index || *index < 0 || *index >= static_cast<double>(shared_strings.size())) {
      failCell(part, at, "shared string " + std::string(value) + " does not exist");
    }
    out.kind = CellKind::text;
    out.text = shared_strings[static_cast<std::size_t>(*index)];
    return !out.text.empty();
  }
  if (type == "b") {
    out.kind = CellKind::boolean;
    out.number = (value == "1" || value == "true") ? 1 : 0;
    return true;
  }
  if (type == "e") return false;  // #N/A and the like read as no value
  if (type == "str" || type == "d") {
    out.kind = CellKind::text;
    out.text = decodeCellText(value);
    return !out.text.empty();
  }
  if (value.find_first_not_of(" \t\r\n") == std::string_view::npos) return false;
  if (auto number = parseCellNumber(value)) {
    out.kind = CellKind::number;
    out.number = *number;
  } else {
    out.kind = CellKind::text;
    out.text = std::string(value);
  }
  return true;
}

// "Sheet1!A5", "'Q1 2024'!A5": the sheet name quoted as Excel quotes it in a formula.
std::string qualifiedReference(const std::string& sheet_name, const std::string& reference) {
  const bool plain = !sheet_name.empty() && !(sheet_name[0] >= '0' && sheet_name[0] <= '9') &&
                     std::all_of(sheet_name.begin(), sheet_name.end(), [](char c) {
                       const auto byte = static_cast<unsigned char>(c);
                       return byte >= 0x80 || std::isalnum(byte) || c == '_' || c == '.';
                     });
  if (plain) return sheet_name + "!" + reference;
  std::string quoted = "'";
  for (char c : sheet_name) {
    quoted += c;
    if (c == '\'') quoted += c;
  }
  return quoted + "'!" + reference;
}

}  // namespace

void walkSheetData(pugi::xml_node sheet_data, const std::string& part_name,
                   const std::function<void(pugi::xml_node row, std::uint32_t number)>& on_row,
                   const std::function<void(pugi::xml_node cell, CellPosition)>& on_cell) {
  std::uint32_t row_number = 0;
  for (auto row = firstChild(sheet_data, "row"); row; row = nextSibling(row, "row")) {
    if (auto r = row.attribute("r")) {
      auto parsed = parseRowNumber(r.value());
      if (!parsed) {
        throw DatabaseError(part_name + ": the row number \"" + r.value() + "\" cannot be read");
      }
      row_number = *parsed;
    } else if (++row_number > kMaxRows) {
      throw DatabaseError(part_name + ": more rows than a worksheet can hold");
    }
    if (on_row) on_row(row, row_number);

    std::uint32_t column = 0;
    for (auto cell = firstChild(row, "c"); cell; cell = nextSibling(cell, "c")) {
      if (auto r = cell.attribute("r")) {
        auto parsed = parseCellReference(r.value());
        if (!parsed) {
          throw DatabaseError(part_name + ": the cell reference \"" + r.value() +
                              "\" cannot be read");
        }
        column = parsed->column;
      } else if (++column > kMaxColumns) {
        throw DatabaseError(part_name + ", row " + std::to_string(row_number) +
                            ": more cells than a row can hold");
      }
      on_cell(cell, CellPosition{row_number, column});
    }
  }
}

SheetCells readSheetCells(const std::string& sheet_name, const std::string& part_name,
                          const std::string& xml, const std::vector<std::string>& shared_strings) {
  checkElementCount(part_name, xml, {"row", "c"}, "rows and cells");
  XmlPart part(part_name, xml);
  SheetCells sheet;
  const auto duplicate = [&](const std::string& reference) {
    throw DatabaseError(part_name + ": " + reference + " appears twice in the worksheet");
  };
  // Rows are unique, so two cells at one position stand in the same row element.
  std::vector<bool> rows_seen(kMaxRows + 1);
  std::uint32_t current_row = 0;
  std::vector<std::uint32_t> columns;
  const auto checkColumns = [&] {
    std::sort(columns.begin(), columns.end());
    auto twice = std::adjacent_find(columns.begin(), columns.end());
    if (twice != columns.end()) {
      duplicate("the cell " + qualifiedReference(sheet_name, cellReference({current_row, *twice})));
    }
    columns.clear();
  };
  auto sheet_data = firstChild(part.root(), "sheetData");
  walkSheetData(
      sheet_data, part_name,
      [&](pugi::xml_node, std::uint32_t number) {
        checkColumns();
        if (rows_seen[number]) {
          const std::string row = std::to_string(number);
          duplicate("the row " + qualifiedReference(sheet_name, row + ":" + row));
        }
        rows_seen[number] = true;
        current_row = number;
      },
      [&](pugi::xml_node cell, CellPosition at) {
        columns.push_back(at.column);
        const auto formula = firstChild(cell, "f");
        if (formula) readFormula(formula, at, sheet);
        SheetCell value;
        value.position = at;
        if (readValue(cell, at, part_name, shared_strings, value)) {
          sheet.cells.push_back(std::move(value));
        } else if (formula) {
          sheet.cells.push_back({at, CellKind::empty, 0, {}});
        }
      });
  checkColumns();

  // Excel accepts rows and cells out of order.
  auto before = [](const SheetCell& a, const SheetCell& b) {
    return a.position.row != b.position.row ? a.position.row < b.position.row
                                            : a.position.column < b.position.column;
  };
  std::sort(sheet.cells.begin(), sheet.cells.end(), before);
  return sheet;
}

}  // namespace norvel::xlsx
