#include "xlsx/sheet_patch.h"

#include <algorithm>
#include <map>
#include <optional>

#include "platform/database.h"
#include "xlsx/cell_number.h"
#include "xlsx/ooxml_text.h"
#include "xlsx/sheet_stream.h"

namespace norvel::xlsx {

namespace {

struct CellEntry {
  std::uint32_t column = 0;
  std::string name;
  ElementBytes bytes;
  std::string kept_attributes;
  bool has_formula = false;
  bool holds_number = false;
  std::uint32_t style = 0;
};

struct RowEntry {
  StreamedRow row;
  std::vector<CellEntry> cells;  // document order
};

// The content and type attribute of a cell holding value; prefix is the namespace prefix.
std::string cellBody(const std::string& part_name, CellPosition at, const CellValue& value,
                     const std::string& prefix, bool& empty) {
  empty = false;
  switch (value.type) {
    case CellValue::Type::empty:
      empty = true;
      return {};
    case CellValue::Type::number: {
      auto text = cellNumberText(value.number);
      if (!text) {
        throw DatabaseError(part_name + " のセル " + cellReference(at) +
                            ": この数値はワークシートのセルに格納できません");
      }
      return ">" + std::string("<") + prefix + "v>" + *text + "</" + prefix + "v>";
    }
    case CellValue::Type::text: {
      const std::string encoded = encodeCellText(value.text);
      std::string t = "<" + prefix + "t";
      if (needsSpacePreserve(value.text)) t += " xml:space=\"preserve\"";
      return " t=\"inlineStr\"><" + prefix + "is>" + t + ">" + escapeXml(encoded) + "</" + prefix +
             "t></" + prefix + "is>";
    }
  }
  return {};
}

// attributes: the start tag's attributes, each preceded by a blank.
std::string cellElement(const std::string& part_name, const std::string& name,
                        const std::string& attributes, const CellEdit& edit,
                        const std::string& prefix) {
  bool empty = false;
  std::string body = cellBody(part_name, edit.position, edit.value, prefix, empty);
  if (empty) return "<" + name + attributes + "/>";
  return "<" + name + attributes + body + "</" + name + ">";
}

// "x:" for an element named "x:c", "" for "c".
std::string prefixOf(std::string_view name) {
  auto colon = name.find(':');
  return colon == std::string_view::npos ? std::string() : std::string(name.substr(0, colon + 1));
}

class RowCollector final : public SheetVisitor {
 public:
  explicit RowCollector(const std::map<std::uint32_t, std::vector<CellEdit>>& edited)
      : edited_(edited) {}

  bool wantsAttributes(std::uint32_t row) const override { return edited_.count(row) != 0; }
  void rowStart(const StreamedRow& row) override {
    collecting_ = edited_.count(row.number) != 0;
    cells_.clear();
  }
  void cell(const StreamedCell& cell) override {
    if (!collecting_) return;
    const bool holds_number = !cell.has_formula && (cell.type.empty() || cell.type == "n") &&
                              cell.has_value && parseCellNumber(cell.value).has_value();
    cells_.push_back({cell.position.column, cell.name, cell.bytes, cell.kept_attributes,
                      cell.has_formula, holds_number, cell.style});
  }
  void rowEnd(const StreamedRow& row) override {
    rows.push_back({row.number, row.bytes.begin, row.bytes.end});
    if (collecting_) edited_rows[row.number] = {row, std::move(cells_)};
    collecting_ = false;
  }

  std::vector<RowMark> rows;  // document order
  std::map<std::uint32_t, RowEntry> edited_rows;

 private:
  const std::map<std::uint32_t, std::vector<CellEdit>>& edited_;
  bool collecting_ = false;
  std::vector<CellEntry> cells_;
};

class SheetPatcher {
 public:
  SheetPatcher(const std::string& part_name, const SheetFrame& frame,
               const std::vector<RowMark>& rows, const RowCollector& edited_rows,
               const std::map<std::uint32_t, std::vector<CellEdit>>& edited,
               const CellFormats& formats)
      : part_name_(part_name),
        frame_(frame),
        rows_(rows),
        found_(edited_rows),
        edited_(edited),
        formats_(formats) {
    if (!frame_.has_sheet_data) throw DatabaseError(part_name + " にセルのデータがありません");
    if (!frame_.utf8) {
      throw DatabaseError(part_name +
                          " は UTF-8 で書かれていないため、その場で書き換えられません。" +
                          "何も書き込んでいません");
    }
    prefix_ = prefixOf(frame_.sheet_data_name);
  }

  SheetPatch apply() {
    for (const auto& [number, edits] : edited_) {
      auto found = found_.edited_rows.find(number);
      if (found == found_.edited_rows.end()) {
        insertRow(edits);
      } else {
        patchRow(found->second, edits);
      }
    }
    orderSplices(part_name_, splices_);
    return {std::move(splices_)};
  }

 private:
  // A number cell stays one where its format shows a number as the new text: the copy reads
  // the cell back as that text.
  CellEdit keptNumber(const CellEntry& cell, const CellEdit& edit) const {
    if (!cell.holds_number || edit.value.type != CellValue::Type::text) return edit;
    const auto number = formats_.numberShownAs(edit.value.text, formats_.ofStyle(cell.style));
    if (!number) return edit;
    CellEdit kept{edit.position, {}};
    kept.value.type = CellValue::Type::number;
    kept.value.number = *number;
    return kept;
  }

  // The style a cell typed into an empty position gets: its row's, else its column's.
  std::string styleFor(const StreamedRow* row, std::uint32_t column) const {
    if (row != nullptr && row->custom_format && row->style) return *row->style;
    for (const auto& style : frame_.column_styles) {
      if (column >= style.first && column <= style.last) return style.style;
    }
    return {};
  }

  std::string newCells(const StreamedRow* row, const std::vector<CellEdit>& edits) const {
    std::string text;
    for (const auto& edit : edits) {
      if (edit.value.type == CellValue::Type::empty) continue;
      text += newCell(row, edit);
    }
    return text;
  }

  std::string newCell(const StreamedRow* row, const CellEdit& edit) const {
    std::string attributes = " r=\"" + cellReference(edit.position) + "\"";
    if (auto style = styleFor(row, edit.position.column); !style.empty()) {
      attributes += " s=\"" + escapeXmlAttribute(style) + "\"";
    }
    return cellElement(part_name_, prefix_ + "c", attributes, edit, prefix_);
  }

  void insertRow(const std::vector<CellEdit>& edits) {
    const std::string cells = newCells(nullptr, edits);
    if (cells.empty()) return;
    const std::uint32_t number = edits.front().position.row;
    std::string text = "<" + prefix_ + "row r=\"" + std::to_string(number) + "\">" + cells + "</" +
                       prefix_ + "row>";
    for (const auto& row : rows_) {
      if (row.number > number) {
        splices_.push_back({row.begin, row.begin, std::move(text)});
        return;
      }
    }
    if (!rows_.empty()) {
      splices_.push_back({rows_.back().end, rows_.back().end, std::move(text)});
      return;
    }
    appendChild(frame_.sheet_data_name, frame_.sheet_data_attributes, frame_.sheet_data, text);
  }

  // Puts text as the last content of an element, opening it up when it was written as <x/>.
  void appendChild(const std::string& name, const std::string& attributes,
                   const ElementBytes& bytes, const std::string& text) {
    if (bytes.emptyElement()) {
      splices_.push_back(
          {bytes.begin, bytes.end, "<" + name + attributes + ">" + text + "</" + name + ">"});
    } else {
      splices_.push_back({bytes.content_end, bytes.content_end, text});
    }
  }

  void patchRow(const RowEntry& entry, const std::vector<CellEdit>& edits) {
    const StreamedRow& row = entry.row;
    if (entry.cells.empty()) {
      const std::string cells = newCells(&row, edits);
      if (!cells.empty()) appendChild(row.name, row.attributes, row.bytes, cells);
      return;
    }
    std::map<std::uint32_t, const CellEntry*> by_column;
    for (const auto& cell : entry.cells) by_column[cell.column] = &cell;
    for (const auto& edit : edits) {
      auto found = by_column.find(edit.position.column);
      if (found != by_column.end()) {
        const CellEntry& cell = *found->second;
        // The copy refuses such a change; a value in its place would drop the formula.
        if (cell.has_formula) {
          throw DatabaseError(part_name_ + " のセル " + cellReference(edit.position) +
                              ": 数式が入っているため書き換えられません。何も書き込んでいません");
        }
        splices_.push_back({cell.bytes.begin, cell.bytes.end,
                            cellElement(part_name_, cell.name, cell.kept_attributes,
                                        keptNumber(cell, edit), prefixOf(cell.name))});
        continue;
      }
      if (edit.value.type == CellValue::Type::empty) continue;
      std::optional<std::uint64_t> at;
      for (const auto& cell : entry.cells) {
        if (cell.column > edit.position.column) {
          at = cell.bytes.begin;
          break;
        }
      }
      if (!at) at = entry.cells.back().bytes.end;
      splices_.push_back({*at, *at, newCell(&row, edit)});
    }
  }

  const std::string& part_name_;
  const SheetFrame& frame_;
  const std::vector<RowMark>& rows_;
  const RowCollector& found_;
  const std::map<std::uint32_t, std::vector<CellEdit>>& edited_;  // by row, then column
  const CellFormats& formats_;
  std::string prefix_;
  std::vector<Splice> splices_;
};

std::map<std::uint32_t, std::vector<CellEdit>> byRow(std::vector<CellEdit> edits) {
  std::stable_sort(edits.begin(), edits.end(), [](const CellEdit& a, const CellEdit& b) {
    return a.position.row != b.position.row ? a.position.row < b.position.row
                                            : a.position.column < b.position.column;
  });
  std::map<std::uint32_t, std::vector<CellEdit>> edited;
  for (auto& edit : edits) edited[edit.position.row].push_back(std::move(edit));
  return edited;
}

}  // namespace

SheetPatch planSheetPatch(const std::string& part_name, EntryReader& part,
                          std::vector<CellEdit> edits, const CellFormats& formats) {
  const auto edited = byRow(std::move(edits));
  RowCollector rows(edited);
  const SheetFrame frame = streamSheet(part_name, part, rows, true);
  return SheetPatcher(part_name, frame, rows.rows, rows, edited, formats).apply();
}

SheetPatch planSheetPatch(const std::string& part_name, EntryReader& part, const SheetIndex& index,
                          std::vector<CellEdit> edits, const CellFormats& formats) {
  const auto edited = byRow(std::move(edits));
  RowCollector rows(edited);
  // Only the edited rows are parsed; the rest of the part is inflated and passed over.
  std::vector<const RowMark*> wanted;
  for (const auto& row : index.rows) {
    if (edited.count(row.number) != 0) wanted.push_back(&row);
  }
  std::sort(wanted.begin(), wanted.end(),
            [](const RowMark* a, const RowMark* b) { return a->begin < b->begin; });
  std::vector<char> buffer(256 * 1024);
  std::uint64_t offset = 0;
  std::string row_bytes;
  for (auto next = wanted.begin(); next != wanted.end();) {
    const std::size_t n = part.read(buffer.data(), buffer.size());
    if (n == 0)
      throw DatabaseError(part_name +
                          " が読み込み時にあった行より前で終わっています。何も書き込んでいません");
    const std::uint64_t chunk_end = offset + n;
    while (next != wanted.end() && (*next)->begin < chunk_end) {
      const RowMark& row = **next;
      const std::uint64_t from = std::max(row.begin, offset);
      const std::uint64_t to = std::min(row.end, chunk_end);
      row_bytes.append(buffer.data() + (from - offset), static_cast<std::size_t>(to - from));
      if (row.end > chunk_end) break;
      streamRow(part_name, row_bytes, row, rows);
      row_bytes.clear();
      ++next;
    }
    offset = chunk_end;
  }
  return SheetPatcher(part_name, index.frame, index.rows, rows, edited, formats).apply();
}

}  // namespace norvel::xlsx
