#include "xlsx/sheet_cells.h"

#include <algorithm>
#include <unordered_map>

#include "platform/database.h"
#include "xlsx/cell_number.h"
#include "xlsx/ooxml_text.h"
#include "xlsx/sheet_stream.h"

namespace norvel::xlsx {

namespace {

[[noreturn]] void failCell(const std::string& part, CellPosition at, const std::string& why) {
  throw DatabaseError(part + " のセル " + cellReference(at) + ": " + why);
}

// formula_runs: by column, the locked range that its last formula cell extended. A column of
// formulas becomes one range rather than one a cell.
void readFormula(const StreamedCell& cell, SheetCells& sheet,
                 std::unordered_map<std::uint32_t, std::size_t>& formula_runs) {
  sheet.has_formulas = true;
  const auto [run, first_of_column] =
      formula_runs.try_emplace(cell.position.column, sheet.locked.size());
  CellRange* last = first_of_column ? nullptr : &sheet.locked[run->second].range;
  if (last != nullptr && last->last.row + 1 == cell.position.row) {
    last->last.row = cell.position.row;
  } else {
    run->second = sheet.locked.size();
    sheet.locked.push_back({{cell.position, cell.position}, LockReason::formula});
  }
  auto range = parseCellRange(cell.formula_range);
  if (!range || range->isSingleCell()) return;
  if (cell.formula_type == "array" || cell.formula_type == "dataTable") {
    sheet.locked.push_back({*range, LockReason::arrayPart});
  } else if (cell.formula_type == "shared") {
    sheet.locked.push_back({{cell.position, cell.position}, LockReason::arrayPart});
  }
}

void keepText(SheetCells& sheet, SheetCell& out, std::string_view text) {
  out.kind = CellKind::text;
  out.text_begin = sheet.texts.add(text);
  out.text_size = static_cast<std::uint32_t>(text.size());
}

// Returns false for a cell without a value.
bool readValue(const StreamedCell& cell, const std::string& part,
               const std::vector<std::string>& shared_strings, SheetCells& sheet, SheetCell& out) {
  const std::string_view type = cell.type;
  if (type == "inlineStr") {
    if (!cell.has_inline) return false;
    const std::string text = decodeCellText(cell.inline_text);
    keepText(sheet, out, text);
    return !text.empty();
  }
  if (!cell.has_value) return false;
  const std::string_view value = cell.value;
  if (type == "s") {
    auto index = parseCellNumber(value);
    if (!index || *index < 0 || *index >= static_cast<double>(shared_strings.size())) {
      failCell(part, cell.position, "共有文字列 " + std::string(value) + " がありません");
    }
    out.kind = CellKind::text;
    out.shared = true;
    out.text_begin = static_cast<std::size_t>(*index);
    return !shared_strings[out.text_begin].empty();
  }
  if (type == "b") {
    out.kind = CellKind::boolean;
    out.number = (value == "1" || value == "true") ? 1 : 0;
    return true;
  }
  if (type == "e") return false;  // #N/A and the like read as no value
  if (type == "str" || type == "d") {
    const std::string text = decodeCellText(value);
    keepText(sheet, out, text);
    return !text.empty();
  }
  if (value.find_first_not_of(" \t\r\n") == std::string_view::npos) return false;
  if (auto number = parseCellNumber(value)) {
    out.kind = CellKind::number;
    out.number = *number;
  } else {
    keepText(sheet, out, value);
  }
  return true;
}

// "Sheet1!A5", "'Q1 2024'!A5": the sheet name quoted as Excel quotes it in a formula.
std::string qualifiedReference(const std::string& sheet_name, const std::string& reference) {
  return quotedSheetName(sheet_name) + "!" + reference;
}

class CellCollector final : public SheetVisitor {
 public:
  CellCollector(const std::string& sheet_name, const std::string& part_name,
                const std::vector<std::string>& shared_strings, SheetCells& sheet)
      : sheet_name_(sheet_name),
        part_name_(part_name),
        shared_strings_(shared_strings),
        sheet_(sheet),
        rows_seen_(kMaxRows + 1) {}

  void rowStart(const StreamedRow& row) override {
    checkColumns();
    if (rows_seen_[row.number]) {
      const std::string number = std::to_string(row.number);
      duplicate("行 " + qualifiedReference(sheet_name_, number + ":" + number));
    }
    rows_seen_[row.number] = true;
    current_row_ = row.number;
  }

  void rowEnd(const StreamedRow& row) override {
    sheet_.index.rows.push_back({row.number, row.bytes.begin, row.bytes.end});
  }

  void cell(const StreamedCell& cell) override {
    columns_.push_back(cell.position.column);
    if (cell.has_formula) readFormula(cell, sheet_, formula_runs_);
    SheetCell value;
    value.position = cell.position;
    if (readValue(cell, part_name_, shared_strings_, sheet_, value)) {
      if (value.kind == CellKind::number) value.format = sheet_.formats->ofStyle(cell.style);
      sheet_.cells.push_back(value);
    } else if (cell.has_formula) {
      sheet_.cells.push_back({cell.position, CellKind::empty});
    }
  }

  // Rows are unique, so two cells at one position stand in the same row element.
  void checkColumns() {
    std::sort(columns_.begin(), columns_.end());
    auto twice = std::adjacent_find(columns_.begin(), columns_.end());
    if (twice != columns_.end()) {
      duplicate("セル " + qualifiedReference(sheet_name_, cellReference({current_row_, *twice})));
    }
    columns_.clear();
  }

 private:
  [[noreturn]] void duplicate(const std::string& reference) const {
    throw DatabaseError(part_name_ + ": " + reference + " がワークシート内で重複しています");
  }

  const std::string& sheet_name_;
  const std::string& part_name_;
  const std::vector<std::string>& shared_strings_;
  SheetCells& sheet_;
  std::vector<bool> rows_seen_;
  std::uint32_t current_row_ = 0;
  std::vector<std::uint32_t> columns_;
  std::unordered_map<std::uint32_t, std::size_t> formula_runs_;
};

}  // namespace

SheetCells readSheetCells(const std::string& sheet_name, const std::string& part_name,
                          EntryReader& part, const std::vector<std::string>& shared_strings,
                          const CellFormats& formats) {
  SheetCells sheet;
  sheet.shared_strings = &shared_strings;
  sheet.formats = &formats;
  CellCollector collector(sheet_name, part_name, shared_strings, sheet);
  sheet.index.frame = streamSheet(part_name, part, collector, false);
  collector.checkColumns();
  sheet.index.rows.shrink_to_fit();

  // Excel accepts rows and cells out of order.
  auto before = [](const SheetCell& a, const SheetCell& b) {
    return a.position.row != b.position.row ? a.position.row < b.position.row
                                            : a.position.column < b.position.column;
  };
  if (!std::is_sorted(sheet.cells.begin(), sheet.cells.end(), before)) {
    std::sort(sheet.cells.begin(), sheet.cells.end(), before);
  }
  return sheet;
}

}  // namespace norvel::xlsx
