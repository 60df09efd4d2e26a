#include "xlsx/sheet_stream.h"

#include <cstdlib>
#include <initializer_list>
#include <string_view>

#include "platform/database.h"
#include "xlsx/element_count.h"
#include "xlsx/ooxml_text.h"
#include "xlsx/xml_stream.h"

namespace norvel::xlsx {

namespace {

const char* attributeValue(const char** attributes, std::string_view name) {
  for (auto a = attributes; *a != nullptr; a += 2) {
    if (name == a[0]) return a[1];
  }
  return nullptr;
}

// Written again as attributesText writes a parsed element's attributes.
void appendAttributes(std::string& out, const char** attributes,
                      std::initializer_list<std::string_view> left_out = {}) {
  for (auto a = attributes; *a != nullptr; a += 2) {
    const auto local = localPart(a[0]);
    bool skip = false;
    for (auto name : left_out) skip = skip || name == local;
    if (skip) continue;
    out += ' ';
    out += a[0];
    out += "=\"";
    out += escapeXmlAttribute(a[1]);
    out += '"';
  }
}

std::uint32_t leadingNumber(const char* text) {
  if (text == nullptr) return 0;
  const unsigned long value = std::strtoul(text, nullptr, 10);
  return value > UINT32_MAX ? 0 : static_cast<std::uint32_t>(value);
}

enum class Role : std::uint8_t {
  other,
  root,
  cols,
  col,
  sheetData,
  row,
  cell,
  formula,
  value,
  inlineString,
  inlineText,
  run,
  runText,
};

class SheetWalker final : public XmlStream {
 public:
  SheetWalker(const std::string& part_name, SheetVisitor& visitor, bool with_attributes)
      : XmlStream(part_name), visitor_(visitor), with_attributes_(with_attributes) {}

  SheetFrame walk(EntryReader& entry) {
    parse(entry);
    frame_.utf8 = utf8();
    checkElementTotals(partName(), elements(), items_, "行とセル");
    return std::move(frame_);
  }

  void walkRow(std::string_view row_bytes, const RowMark& row) {
    static constexpr std::string_view kOpen = "<w><sheetData>";
    static constexpr std::string_view kClose = "</sheetData></w>";
    std::string xml;
    xml.reserve(kOpen.size() + row_bytes.size() + kClose.size());
    xml.append(kOpen).append(row_bytes).append(kClose);
    row_number_ = row.number - 1;
    parse(xml, row.begin - kOpen.size());
  }

 private:
  ElementBytes startBytes() const {
    const auto at = tagBegin();
    const auto length = tagLength();
    // Until the end tag is seen, an element written as <x/> is assumed.
    return {at, at + length, at + length};
  }

  void finishBytes(ElementBytes& bytes) const {
    const auto length = tagLength();
    if (length == 0) return;  // <x/>: the start tag was the whole element
    bytes.content_end = tagBegin();
    bytes.end = bytes.content_end + length;
  }

  void startElement(const char* name, const char** attributes) override {
    const std::string_view local = localPart(name);
    if (local == "row" || local == "c") ++items_;
    const Role parent = roles_.empty() ? Role::other : roles_.back();
    Role role = roles_.empty() ? Role::root : Role::other;
    switch (parent) {
      case Role::root:
        if (local == "sheetData" && !frame_.has_sheet_data) {
          role = Role::sheetData;
          frame_.has_sheet_data = true;
          frame_.sheet_data_name = name;
          frame_.sheet_data = startBytes();
          if (with_attributes_) appendAttributes(frame_.sheet_data_attributes, attributes);
        } else if (local == "cols" && !cols_seen_) {
          role = Role::cols;
          cols_seen_ = true;
        }
        break;
      case Role::cols:
        if (local == "col") {
          role = Role::col;
          const char* style = attributeValue(attributes, "style");
          if (style != nullptr && *style != '\0' && std::string_view(style) != "0") {
            frame_.column_styles.push_back({leadingNumber(attributeValue(attributes, "min")),
                                            leadingNumber(attributeValue(attributes, "max")),
                                            style});
          }
        }
        break;
      case Role::sheetData:
        if (local == "row") {
          role = Role::row;
          startRow(name, attributes);
        }
        break;
      case Role::row:
        if (local == "c") {
          role = Role::cell;
          startCell(name, attributes);
        }
        break;
      case Role::cell:
        if (local == "f" && !cell_.has_formula) {
          role = Role::formula;
          cell_.has_formula = true;
          const char* type = attributeValue(attributes, "t");
          const char* range = attributeValue(attributes, "ref");
          cell_.formula_type = type != nullptr ? type : "";
          cell_.formula_range = range != nullptr ? range : "";
        } else if (local == "v" && !cell_.has_value) {
          role = Role::value;
          cell_.has_value = true;
          text_ = &cell_.value;
        } else if (local == "is" && !cell_.has_inline) {
          role = Role::inlineString;
          cell_.has_inline = true;
        }
        break;
      case Role::inlineString:
        // Phonetic runs (<rPh>) are not part of the value.
        if (local == "t") {
          role = Role::inlineText;
          text_ = &cell_.inline_text;
        } else if (local == "r") {
          role = Role::run;
        }
        break;
      case Role::run:
        if (local == "t") {
          role = Role::runText;
          text_ = &cell_.inline_text;
        }
        break;
      default:
        break;
    }
    if (role == Role::other) text_ = nullptr;
    roles_.push_back(role);
  }

  void endElement() override {
    const Role role = roles_.back();
    roles_.pop_back();
    text_ = nullptr;
    switch (role) {
      case Role::sheetData:
        finishBytes(frame_.sheet_data);
        break;
      case Role::row:
        finishBytes(row_.bytes);
        visitor_.rowEnd(row_);
        break;
      case Role::cell:
        finishBytes(cell_.bytes);
        visitor_.cell(cell_);
        break;
      default:
        break;
    }
  }

  void startRow(const char* name, const char** attributes) {
    if (const char* r = attributeValue(attributes, "r")) {
      auto parsed = parseRowNumber(r);
      if (!parsed) {
        throw DatabaseError(partName() + ": 行番号「" + r + "」を読み取れません");
      }
      row_number_ = *parsed;
    } else if (++row_number_ > kMaxRows) {
      throw DatabaseError(partName() + ": 行の数がワークシートの上限を超えています");
    }
    column_ = 0;
    row_.number = row_number_;
    row_.name = name;
    row_.bytes = startBytes();
    const char* custom_format = attributeValue(attributes, "customFormat");
    row_.custom_format = custom_format != nullptr && (std::string_view(custom_format) == "1" ||
                                                      std::string_view(custom_format) == "true");
    const char* style = attributeValue(attributes, "s");
    row_.style = style != nullptr ? std::optional<std::string>(style) : std::nullopt;
    row_.attributes.clear();
    row_attributes_ = with_attributes_ && visitor_.wantsAttributes(row_.number);
    if (row_attributes_) appendAttributes(row_.attributes, attributes);
    visitor_.rowStart(row_);
  }

  void startCell(const char* name, const char** attributes) {
    if (const char* r = attributeValue(attributes, "r")) {
      auto parsed = parseCellReference(r);
      if (!parsed) {
        throw DatabaseError(partName() + ": セル参照「" + r + "」を読み取れません");
      }
      column_ = parsed->column;
    } else if (++column_ > kMaxColumns) {
      throw DatabaseError(partName() + " の行 " + std::to_string(row_number_) +
                          ": セルの数が 1 行の上限を超えています");
    }
    cell_.position = {row_number_, column_};
    cell_.name = name;
    cell_.bytes = startBytes();
    const char* type = attributeValue(attributes, "t");
    cell_.type = type != nullptr ? type : "";
    cell_.style = leadingNumber(attributeValue(attributes, "s"));
    cell_.kept_attributes.clear();
    if (row_attributes_) appendAttributes(cell_.kept_attributes, attributes, {"t", "cm", "vm"});
    cell_.has_formula = false;
    cell_.formula_type.clear();
    cell_.formula_range.clear();
    cell_.has_value = false;
    cell_.value.clear();
    cell_.has_inline = false;
    cell_.inline_text.clear();
  }

  SheetVisitor& visitor_;
  bool with_attributes_;
  bool row_attributes_ = false;  // for the current row and its cells
  SheetFrame frame_;
  std::vector<Role> roles_;
  bool cols_seen_ = false;
  std::size_t items_ = 0;
  std::uint32_t row_number_ = 0;
  std::uint32_t column_ = 0;
  StreamedRow row_;
  StreamedCell cell_;
};

}  // namespace

void streamRow(const std::string& part_name, std::string_view row_bytes, const RowMark& row,
               SheetVisitor& visitor) {
  SheetWalker walker(part_name, visitor, true);
  walker.walkRow(row_bytes, row);
}

SheetFrame streamSheet(const std::string& part_name, EntryReader& entry, SheetVisitor& visitor,
                       bool with_attributes) {
  SheetWalker walker(part_name, visitor, with_attributes);
  return walker.walk(entry);
}

}  // namespace norvel::xlsx
