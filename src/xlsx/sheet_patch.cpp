#include "xlsx/sheet_patch.h"

#include <algorithm>
#include <map>
#include <optional>

#include "platform/database.h"
#include "xlsx/cell_number.h"
#include "xlsx/ooxml_text.h"
#include "xlsx/sheet_cells.h"
#include "xlsx/xml_part.h"

namespace norvel::xlsx {

namespace {

struct Splice {
  std::size_t begin;
  std::size_t end;  // begin == end: an insertion
  std::string text;
};

struct RowEntry {
  pugi::xml_node node;
  std::uint32_t number = 0;
  std::vector<std::pair<std::uint32_t, pugi::xml_node>> cells;  // document order
};

struct ColumnStyle {
  std::uint32_t first = 0;
  std::uint32_t last = 0;
  std::string style;
};

bool isTrue(std::string_view value) {
  return value == "1" || value == "true";
}

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
        throw DatabaseError(part_name + ", cell " + cellReference(at) +
                            ": the number cannot be stored in a worksheet cell");
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

// The cell's own attributes except its type and the metadata of the value it loses; its
// reference (or its lack of one) and its style stay.
class SheetPatcher {
 public:
  SheetPatcher(const std::string& part_name, const std::string& xml)
      : part_name_(part_name), xml_(xml), part_(part_name, xml) {
    sheet_data_ = firstChild(part_.root(), "sheetData");
    if (!sheet_data_) throw DatabaseError(part_name + " has no cell data");
    prefix_ = prefixOf(sheet_data_);
    walkSheetData(
        sheet_data_, part_name,
        [&](pugi::xml_node row, std::uint32_t number) {
          rows_.push_back({row, number, {}});
          row_index_[number] = rows_.size() - 1;
        },
        [&](pugi::xml_node cell, CellPosition at) {
          rows_.back().cells.emplace_back(at.column, cell);
        });
    auto cols = firstChild(part_.root(), "cols");
    for (auto col = firstChild(cols, "col"); col; col = nextSibling(col, "col")) {
      const std::string_view style = col.attribute("style").value();
      if (style.empty() || style == "0") continue;
      column_styles_.push_back(
          {col.attribute("min").as_uint(), col.attribute("max").as_uint(), std::string(style)});
    }
  }

  PatchedSheet apply(std::vector<CellEdit> edits) {
    std::stable_sort(edits.begin(), edits.end(), [](const CellEdit& a, const CellEdit& b) {
      return a.position.row != b.position.row ? a.position.row < b.position.row
                                              : a.position.column < b.position.column;
    });
    for (std::size_t i = 0; i < edits.size();) {
      std::size_t j = i;
      while (j < edits.size() && edits[j].position.row == edits[i].position.row) ++j;
      std::vector<CellEdit> row_edits(edits.begin() + static_cast<std::ptrdiff_t>(i),
                                      edits.begin() + static_cast<std::ptrdiff_t>(j));
      auto found = row_index_.find(edits[i].position.row);
      if (found == row_index_.end()) {
        insertRow(row_edits);
      } else {
        patchRow(rows_[found->second], row_edits);
      }
      i = j;
    }
    return {spliced(), formula_replaced_};
  }

 private:
  // The style a cell typed into an empty position gets: its row's, else its column's.
  std::string styleFor(pugi::xml_node row, std::uint32_t column) const {
    if (row && isTrue(row.attribute("customFormat").value()) && row.attribute("s")) {
      return row.attribute("s").value();
    }
    for (const auto& style : column_styles_) {
      if (column >= style.first && column <= style.last) return style.style;
    }
    return {};
  }

  std::string newCells(pugi::xml_node row, const std::vector<CellEdit>& edits) const {
    std::string text;
    for (const auto& edit : edits) {
      if (edit.value.type == CellValue::Type::empty) continue;
      text += newCell(row, edit);
    }
    return text;
  }

  std::string newCell(pugi::xml_node row, const CellEdit& edit) const {
    std::string attributes = " r=\"" + cellReference(edit.position) + "\"";
    if (auto style = styleFor(row, edit.position.column); !style.empty()) {
      attributes += " s=\"" + escapeXmlAttribute(style) + "\"";
    }
    return cellElement(part_name_, prefix_ + "c", attributes, edit, prefix_);
  }

  void insertRow(const std::vector<CellEdit>& edits) {
    const std::string cells = newCells({}, edits);
    if (cells.empty()) return;
    const std::uint32_t number = edits.front().position.row;
    std::string text = "<" + prefix_ + "row r=\"" + std::to_string(number) + "\">" + cells + "</" +
                       prefix_ + "row>";
    for (const auto& row : rows_) {
      if (row.number > number) {
        auto span = elementSpan(xml_, row.node);
        splices_.push_back({span.begin, span.begin, std::move(text)});
        return;
      }
    }
    if (!rows_.empty()) {
      auto span = elementSpan(xml_, rows_.back().node);
      splices_.push_back({span.end, span.end, std::move(text)});
      return;
    }
    appendChild(sheet_data_, text);
  }

  // Puts text as the last content of element, opening it up when it was written as <x/>.
  void appendChild(pugi::xml_node element, const std::string& text) {
    auto span = elementSpan(xml_, element);
    if (xml_[span.end - 2] == '/') {
      const std::string name = element.name();
      splices_.push_back({span.begin, span.end,
                          "<" + name + attributesText(element) + ">" + text + "</" + name + ">"});
    } else {
      const auto closing = xml_.rfind("</", span.end);
      splices_.push_back({closing, closing, text});
    }
  }

  void patchRow(const RowEntry& row, const std::vector<CellEdit>& edits) {
    if (row.cells.empty()) {
      const std::string cells = newCells(row.node, edits);
      if (!cells.empty()) appendChild(row.node, cells);
      return;
    }
    std::map<std::uint32_t, pugi::xml_node> by_column;
    for (const auto& [column, cell] : row.cells) by_column[column] = cell;
    for (const auto& edit : edits) {
      auto found = by_column.find(edit.position.column);
      if (found != by_column.end()) {
        const auto cell = found->second;
        if (firstChild(cell, "f")) formula_replaced_ = true;
        auto span = elementSpan(xml_, cell);
        splices_.push_back(
            {span.begin, span.end,
             cellElement(part_name_, cell.name(), attributesText(cell, {"t", "cm", "vm"}), edit,
                         prefixOf(cell))});
        continue;
      }
      if (edit.value.type == CellValue::Type::empty) continue;
      std::optional<std::size_t> at;
      for (const auto& [column, cell] : row.cells) {
        if (column > edit.position.column) {
          at = elementSpan(xml_, cell).begin;
          break;
        }
      }
      if (!at) at = elementSpan(xml_, row.cells.back().second).end;
      splices_.push_back({*at, *at, newCell(row.node, edit)});
    }
  }

  std::string spliced() {
    // Stable: insertions at one point keep their order and come before a replacement there.
    std::stable_sort(splices_.begin(), splices_.end(), [](const Splice& a, const Splice& b) {
      return a.begin != b.begin ? a.begin < b.begin : a.end < b.end;
    });
    std::string out;
    out.reserve(xml_.size() + splices_.size() * 64);
    std::size_t done = 0;
    for (const auto& splice : splices_) {
      if (splice.begin < done) {
        throw DatabaseError(part_name_ + ": two changes overlap; nothing was written");
      }
      out.append(xml_, done, splice.begin - done);
      out += splice.text;
      done = splice.end;
    }
    out.append(xml_, done, std::string::npos);
    return out;
  }

  const std::string& part_name_;
  const std::string& xml_;
  XmlPart part_;
  pugi::xml_node sheet_data_;
  std::string prefix_;
  std::vector<RowEntry> rows_;
  std::map<std::uint32_t, std::size_t> row_index_;
  std::vector<ColumnStyle> column_styles_;
  std::vector<Splice> splices_;
  bool formula_replaced_ = false;
};

}  // namespace

PatchedSheet patchSheet(const std::string& part_name, const std::string& xml,
                        std::vector<CellEdit> edits) {
  SheetPatcher patcher(part_name, xml);
  return patcher.apply(std::move(edits));
}

}  // namespace norvel::xlsx
