#include "xls/xls_book.h"

#include <algorithm>
#include <map>

#include "platform/database.h"
#include "xls/little_endian.h"
#include "xlsx/cell_reference.h"

namespace norvel::xls {

namespace {

using xlsx::CellKind;
using xlsx::CellPosition;
using xlsx::SheetCell;

const char* const kGlobals = "ブックのレコード";

// Built-in number formats that show a whole number with digits only; the others read in
// general format.
std::string builtInFormat(std::uint16_t index) {
  return index == 1 ? "0" : "General";
}

bool isBof(std::uint16_t type) {
  return type == biff::kBof || type == biff::kBof2 || type == biff::kBof3 || type == biff::kBof4;
}

class SheetReader {
 public:
  SheetReader(const XlsBook& book, XlsSheet& sheet, xlsx::SheetCells& cells)
      : book_(book), sheet_(sheet), cells_(cells) {}

  void read() {
    const auto& records = book_.records();
    std::size_t depth = 0;
    for (std::size_t i = sheet_.bof; i < records.size(); ++i) {
      const Record& record = records[i];
      if (isBof(record.type)) {
        ++depth;
        continue;
      }
      if (record.type == biff::kEof) {
        if (--depth == 0) {
          finish();
          return;
        }
        continue;
      }
      // Records of an embedded chart belong to the chart.
      if (depth == 1) cellRecord(i, record);
    }
    fail("シート「" + sheet_.name + "」のレコードが途中で切れています");
  }

 private:
  struct Found {
    SheetCell cell;
    std::string text;  // of a cell whose text is its own
    bool formula = false;
  };

  [[noreturn]] static void fail(const std::string& why) { throw DatabaseError(why); }

  std::string reference(CellPosition at) const {
    return xlsx::quotedSheetName(sheet_.name) + "!" + xlsx::cellReference(at);
  }

  void need(const Record& record, std::size_t size) const {
    if (record.data.size() < size) {
      fail("シート「" + sheet_.name + "」のセルのレコードが短すぎます");
    }
  }

  // Registers the cell's record; returns its 1-based position.
  CellPosition place(std::size_t record, std::uint32_t row, std::uint32_t column) {
    const CellPosition at{row + 1, column + 1};
    if (column >= biff::kMaxColumns) {
      fail("セル " + reference(at) + " は Excel 97-2003 ブックの上限（256 列）を超えています");
    }
    if (!sheet_.cell_records.emplace(cellKey(row, column), record).second) {
      fail(reference(at) + " がワークシート内で重複しています");
    }
    return at;
  }

  void number(CellPosition at, std::uint16_t style, double value) {
    Found found;
    found.cell.position = at;
    found.cell.kind = CellKind::number;
    found.cell.number = value;
    found.cell.format = book_.formats().ofStyle(style);
    found_.push_back(std::move(found));
  }

  void text(CellPosition at, std::string value) {
    if (value.empty()) return;
    Found found;
    found.cell.position = at;
    found.text = std::move(value);
    found_.push_back(std::move(found));
  }

  void cellRecord(std::size_t index, const Record& record) {
    const std::string_view data = record.data;
    switch (record.type) {
      case biff::kLabelSst: {
        need(record, 10);
        const CellPosition at = place(index, get16(data, 0), get16(data, 2));
        const std::uint32_t string = get32(data, 6);
        const auto& texts = book_.sharedStrings().texts;
        if (string >= texts.size()) {
          fail("セル " + reference(at) + " の共有文字列 " + std::to_string(string) +
               " がありません");
        }
        if (texts[string].empty()) break;
        Found found;
        found.cell.position = at;
        found.cell.shared = true;
        found.cell.text_begin = string;
        found_.push_back(std::move(found));
        break;
      }
      case biff::kLabel:
      case biff::kRString: {
        need(record, 9);
        const CellPosition at = place(index, get16(data, 0), get16(data, 2));
        text(at, readUnicodeString(data.substr(6), false, nullptr, "文字列のセル"));
        break;
      }
      case biff::kNumber:
        need(record, 14);
        number(place(index, get16(data, 0), get16(data, 2)), get16(data, 4), getDouble(data, 6));
        break;
      case biff::kRk:
        need(record, 10);
        number(place(index, get16(data, 0), get16(data, 2)), get16(data, 4),
               rkValue(get32(data, 6)));
        break;
      case biff::kMulRk: {
        need(record, 6);
        const std::uint32_t row = get16(data, 0);
        const std::uint32_t first = get16(data, 2);
        const std::size_t count = (data.size() - 6) / 6;
        for (std::size_t c = 0; c < count; ++c) {
          number(place(index, row, first + static_cast<std::uint32_t>(c)), get16(data, 4 + 6 * c),
                 rkValue(get32(data, 6 + 6 * c)));
        }
        break;
      }
      case biff::kBoolErr: {
        need(record, 8);
        const CellPosition at = place(index, get16(data, 0), get16(data, 2));
        // #N/A and the like read as no value.
        if (data[7] == 0) boolean(at, data[6] != 0);
        break;
      }
      case biff::kBlank:
        need(record, 6);
        place(index, get16(data, 0), get16(data, 2));
        break;
      case biff::kMulBlank: {
        need(record, 6);
        const std::uint32_t row = get16(data, 0);
        const std::uint32_t first = get16(data, 2);
        const std::size_t count = (data.size() - 6) / 2;
        for (std::size_t c = 0; c < count; ++c) {
          place(index, row, first + static_cast<std::uint32_t>(c));
        }
        break;
      }
      case biff::kFormula:
        formula(index, record);
        break;
      case biff::kString:
        if (pending_string_) {
          std::string value;
          try {
            value = readUnicodeString(data, false, nullptr, "数式の文字列");
          } catch (const DatabaseError&) {
            // A long result continues in CONTINUE records; its start is enough to show.
          }
          found_[*pending_string_].text = std::move(value);
          pending_string_.reset();
        }
        break;
      case biff::kRow:
        need(record, 16);
        sheet_.row_records.emplace(get16(data, 0), index);
        break;
      case biff::kArray:
      case biff::kTable:
        need(record, 6);
        locked_.push_back({{{get16(data, 0) + 1u, static_cast<unsigned char>(data[4]) + 1u},
                            {get16(data, 2) + 1u, static_cast<unsigned char>(data[5]) + 1u}},
                           xlsx::LockReason::arrayPart});
        break;
      default:
        break;
    }
  }

  void boolean(CellPosition at, bool value) {
    Found found;
    found.cell.position = at;
    found.cell.kind = CellKind::boolean;
    found.cell.number = value ? 1 : 0;
    found_.push_back(std::move(found));
  }

  void formula(std::size_t index, const Record& record) {
    need(record, 20);
    const std::string_view data = record.data;
    const CellPosition at = place(index, get16(data, 0), get16(data, 2));
    formulas_.push_back(at);
    Found found;
    found.cell.position = at;
    found.cell.kind = CellKind::empty;
    found.formula = true;
    if (get16(data, 12) != 0xFFFF) {
      found.cell.kind = CellKind::number;
      found.cell.number = getDouble(data, 6);
      found.cell.format = book_.formats().ofStyle(get16(data, 4));
    } else if (data[6] == 0) {
      found.cell.kind = CellKind::text;
      pending_string_ = found_.size();  // the STRING record after it holds the text
    } else if (data[6] == 1) {
      found.cell.kind = CellKind::boolean;
      found.cell.number = data[8] != 0 ? 1 : 0;
    }
    found_.push_back(std::move(found));
  }

  void finish() {
    std::stable_sort(found_.begin(), found_.end(), [](const Found& a, const Found& b) {
      return a.cell.position.row != b.cell.position.row
                 ? a.cell.position.row < b.cell.position.row
                 : a.cell.position.column < b.cell.position.column;
    });
    for (auto& found : found_) {
      SheetCell cell = found.cell;
      if (!cell.shared && cell.kind == CellKind::text) {
        if (found.text.empty()) {
          // A formula whose text result is empty still belongs to the used range.
          if (!found.formula) continue;
          cell.kind = CellKind::empty;
        } else {
          cell.text_begin = cells_.texts.add(found.text);
          cell.text_size = static_cast<std::uint32_t>(found.text.size());
        }
      }
      cells_.cells.push_back(cell);
    }
    // A column of formulas becomes one locked range rather than one a cell.
    std::sort(formulas_.begin(), formulas_.end(), [](CellPosition a, CellPosition b) {
      return a.column != b.column ? a.column < b.column : a.row < b.row;
    });
    for (const CellPosition at : formulas_) {
      if (!cells_.locked.empty()) {
        auto& last = cells_.locked.back().range;
        if (last.last.column == at.column && last.last.row + 1 == at.row) {
          last.last.row = at.row;
          continue;
        }
      }
      cells_.locked.push_back({{at, at}, xlsx::LockReason::formula});
    }
    cells_.has_formulas = !formulas_.empty();
    cells_.locked.insert(cells_.locked.end(), locked_.begin(), locked_.end());
  }

  const XlsBook& book_;
  XlsSheet& sheet_;
  xlsx::SheetCells& cells_;
  std::vector<Found> found_;
  std::vector<CellPosition> formulas_;
  std::vector<xlsx::LockedRange> locked_;
  std::optional<std::size_t> pending_string_;
};

}  // namespace

XlsBook::XlsBook(std::string stream) : stream_(std::move(stream)), records_(splitRecords(stream_)) {
  readGlobals();
}

void XlsBook::readGlobals() {
  if (records_.empty() || !isBof(records_[0].type)) {
    throw DatabaseError(
        "Excel ブックではありません（Workbook ストリームが BOF レコードで始まっていません）");
  }
  const Record& bof = records_[0];
  if (bof.type != biff::kBof || bof.data.size() < 4 || get16(bof.data, 0) != biff::kBiff8) {
    throw DatabaseError(
        "Excel 5.0/95 以前の形式のブックには対応していません。Excel で開いて Excel 97-2003 ブック"
        "（.xls）か Excel ブック（.xlsx）として保存してください");
  }
  if (get16(bof.data, 2) != biff::kGlobals) {
    throw DatabaseError("Excel ブックではありません（ブックのグローバル情報がありません）");
  }
  std::map<std::uint16_t, std::string> format_codes;
  std::vector<std::uint16_t> style_formats;
  std::vector<std::pair<std::size_t, std::uint32_t>> bound_sheets;
  std::size_t i = 1;
  for (; i < records_.size() && records_[i].type != biff::kEof; ++i) {
    const Record& record = records_[i];
    const std::string_view data = record.data;
    switch (record.type) {
      case biff::kFilePass:
        throw DatabaseError(
            "パスワードで保護されたブックです。Excel でパスワードを解除してから接続してください");
      case biff::kBoundSheet:
        if (data.size() < 8)
          throw DatabaseError(std::string(kGlobals) + " BOUNDSHEET8 が短すぎます");
        // Chart sheets, macro sheets and modules hold no table.
        if (data[5] == 0) bound_sheets.emplace_back(i, get32(data, 0));
        break;
      case biff::kFormat:
        if (data.size() >= 5) {
          format_codes[get16(data, 0)] =
              readUnicodeString(data.substr(2), false, nullptr, "FORMAT");
        }
        break;
      case biff::kXf:
        if (data.size() >= 4) style_formats.push_back(get16(data, 2));
        break;
      case biff::kSst: {
        sst_records_.push_back(i);
        std::vector<std::string_view> parts{data};
        while (i + 1 < records_.size() && records_[i + 1].type == biff::kContinue) {
          parts.push_back(records_[++i].data);
          sst_records_.push_back(i);
        }
        shared_strings_ = readSharedStrings(parts);
        break;
      }
      case biff::kExtSst:
        ext_sst_ = i;
        break;
      default:
        break;
    }
  }
  if (i >= records_.size()) {
    throw DatabaseError(std::string(kGlobals) + "が途中で切れています");
  }
  std::vector<std::string> style_codes;
  for (const std::uint16_t format : style_formats) {
    const auto code = format_codes.find(format);
    style_codes.push_back(code != format_codes.end() ? code->second : builtInFormat(format));
  }
  formats_ = xlsx::CellFormats::fromCodes(style_codes);

  for (const auto& [record, position] : bound_sheets) {
    XlsSheet sheet;
    sheet.bound_sheet = record;
    std::size_t size = 0;
    sheet.name = readUnicodeString(records_[record].data.substr(6), true, &size, "シート名");
    const auto bof_record = recordAt(records_, position);
    if (!bof_record || records_[*bof_record].type != biff::kBof) {
      throw DatabaseError("シート「" + sheet.name + "」の位置がブックのレコードと合いません");
    }
    const std::string_view sheet_bof = records_[*bof_record].data;
    // A dialog sheet is a worksheet too; charts and macro sheets are not tables.
    if (sheet_bof.size() >= 4 && get16(sheet_bof, 2) != biff::kWorksheet) continue;
    sheet.bof = *bof_record;
    sheets_.push_back(std::move(sheet));
  }
}

xlsx::SheetCells XlsBook::readSheet(std::size_t sheet) {
  xlsx::SheetCells cells;
  cells.shared_strings = &shared_strings_.texts;
  cells.formats = &formats_;
  sheets_.at(sheet).cell_records.clear();
  sheets_.at(sheet).row_records.clear();
  SheetReader(*this, sheets_[sheet], cells).read();
  return cells;
}

}  // namespace norvel::xls
