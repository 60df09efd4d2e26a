#include "xls/xls_edit.h"

#include <algorithm>
#include <deque>
#include <optional>
#include <unordered_map>

#include "platform/database.h"
#include "xls/little_endian.h"
#include "xlsx/cell_reference.h"

namespace norvel::xls {

namespace {

using xlsx::CellValue;

// Excel's limit for the text of one cell.
constexpr std::size_t kMaxCellCharacters = 32767;

struct Output {
  std::uint16_t type = 0;
  std::string_view data;
  std::optional<std::size_t> origin;  // the record it stands for
};

struct NewStart {
  std::size_t part = 0;
  std::size_t offset = 0;
};

std::string cellHead(std::uint32_t row, std::uint32_t column, std::uint16_t style,
                     std::size_t size) {
  std::string data(size, '\0');
  put16(data, 0, row);
  put16(data, 2, column);
  put16(data, 4, style);
  return data;
}

class StreamEditor {
 public:
  explicit StreamEditor(const XlsBook& book) : book_(book) {}

  std::string run(const std::map<std::size_t, std::vector<xlsx::CellEdit>>& edits) {
    for (const auto& [sheet, sheet_edits] : edits) planSheet(sheet, sheet_edits);
    planSharedStrings();
    std::vector<Output> out = emit();
    return write(out);
  }

 private:
  std::string_view keep(std::string data) {
    storage_.push_back(std::move(data));
    return storage_.back();
  }

  void planSheet(std::size_t sheet_index, const std::vector<xlsx::CellEdit>& edits) {
    const XlsSheet& sheet = book_.sheets().at(sheet_index);
    std::map<std::size_t, std::map<std::uint32_t, const CellValue*>> by_record;
    for (const auto& edit : edits) {
      if (edit.value.type == CellValue::Type::text) {
        bool wide = false;
        if (utf16Of(edit.value.text, wide).size() / 2 > kMaxCellCharacters) {
          throw DatabaseError("セル " + reference(sheet, edit.position) + " に入る文字数（" +
                              std::to_string(kMaxCellCharacters) + " 文字）を超えています");
        }
      }
      const auto row = edit.position.row - 1;
      const auto column = edit.position.column - 1;
      const auto found = sheet.cell_records.find(cellKey(row, column));
      if (found == sheet.cell_records.end()) {
        insertCell(sheet, row, column, edit);
        continue;
      }
      by_record[found->second][column] = &edit.value;
    }
    for (const auto& [record, values] : by_record) replaceRecord(sheet, record, values);
  }

  // A cell without a record goes among its row's cells in column order, before the first
  // one to its right (which it then stands for in the row's DBCELL offsets) or after the last.
  void insertCell(const XlsSheet& sheet, std::uint32_t row, std::uint32_t column,
                  const xlsx::CellEdit& edit) {
    if (edit.value.type == CellValue::Type::empty) return;
    const auto row_record = sheet.row_records.find(row);
    std::optional<std::size_t> before;
    std::optional<std::size_t> after;
    for (std::uint32_t c = column + 1; c < biff::kMaxColumns && !before; ++c) {
      if (auto found = sheet.cell_records.find(cellKey(row, c));
          found != sheet.cell_records.end()) {
        before = found->second;
      }
    }
    for (std::uint32_t c = column; c-- > 0 && !before && !after;) {
      if (auto found = sheet.cell_records.find(cellKey(row, c));
          found != sheet.cell_records.end()) {
        after = found->second;
      }
    }
    if (row_record == sheet.row_records.end() || (!before && !after)) {
      throw DatabaseError("セル " + reference(sheet, edit.position) +
                          " の行にはセルのレコードがないため、値を書き込めません");
    }
    // Excel's default cell format.
    constexpr std::uint16_t kNormalStyle = 15;
    Output cell = newCell(row, column, kNormalStyle, edit.value, false, false);
    if (before) {
      insert_before_[*before].push_back(cell);
    } else {
      const auto& records = book_.records();
      std::size_t last = *after;
      // A formula's own records follow it.
      while (last + 1 < records.size() &&
             (records[last + 1].type == biff::kString || records[last + 1].type == biff::kArray ||
              records[last + 1].type == biff::kTable ||
              records[last + 1].type == biff::kSharedFormula)) {
        ++last;
      }
      insert_after_[last].push_back(cell);
    }
    widenRow(row_record->second, column);
  }

  // The ROW record's first column and the one after its last.
  void widenRow(std::size_t index, std::uint32_t column) {
    auto& data = row_changes_[index];
    if (data.empty()) data = std::string(book_.records()[index].data);
    if (column < get16(data, 2)) put16(data, 2, column);
    if (column + 1 > get16(data, 4)) put16(data, 4, column + 1);
  }

  static std::string reference(const XlsSheet& sheet, xlsx::CellPosition at) {
    return xlsx::quotedSheetName(sheet.name) + "!" + xlsx::cellReference(at);
  }

  void replaceRecord(const XlsSheet& sheet, std::size_t index,
                     const std::map<std::uint32_t, const CellValue*>& values) {
    const Record& record = book_.records()[index];
    const std::string_view data = record.data;
    const std::uint32_t row = get16(data, 0);
    std::vector<Output>& outputs = replacements_[index];
    switch (record.type) {
      case biff::kFormula:
        throw DatabaseError("セル " + reference(sheet, {row + 1, get16(data, 2) + 1u}) +
                            " は変更できません。セルに数式が入っています。");
      case biff::kMulRk:
      case biff::kMulBlank: {
        const bool numbers = record.type == biff::kMulRk;
        const std::size_t width = numbers ? 6 : 2;
        const std::uint32_t first = get16(data, 2);
        const std::size_t count = (data.size() - 6) / width;
        std::size_t run_start = 0;
        const auto flush = [&](std::size_t end) {
          if (end > run_start) outputs.push_back(multiple(record, run_start, end, width));
        };
        for (std::size_t c = 0; c < count; ++c) {
          const auto column = first + static_cast<std::uint32_t>(c);
          const auto value = values.find(column);
          if (value == values.end()) continue;
          flush(c);
          run_start = c + 1;
          outputs.push_back(
              newCell(row, column, get16(data, 4 + width * c), *value->second, numbers, false));
        }
        flush(count);
        break;
      }
      default:
        outputs.push_back(newCell(row, get16(data, 2), get16(data, 4), *values.begin()->second,
                                  record.type == biff::kNumber || record.type == biff::kRk,
                                  record.type == biff::kLabelSst));
        break;
    }
  }

  // Cells [begin, end) of a MULRK or MULBLANK as a record of their own.
  Output multiple(const Record& record, std::size_t begin, std::size_t end, std::size_t width) {
    const std::string_view data = record.data;
    const std::uint32_t row = get16(data, 0);
    const auto column = get16(data, 2) + static_cast<std::uint32_t>(begin);
    const std::string_view cells = data.substr(4 + width * begin, width * (end - begin));
    const bool numbers = record.type == biff::kMulRk;
    if (end - begin == 1) {
      std::string single = cellHead(row, column, get16(cells, 0), numbers ? 10 : 6);
      if (numbers) single.replace(6, 4, cells.substr(2, 4));
      return {numbers ? biff::kRk : biff::kBlank, keep(std::move(single)), std::nullopt};
    }
    std::string several(4, '\0');
    put16(several, 0, row);
    put16(several, 2, column);
    several.append(cells);
    several.resize(several.size() + 2);
    put16(several, several.size() - 2, column + static_cast<std::uint32_t>(end - begin) - 1);
    return {record.type, keep(std::move(several)), std::nullopt};
  }

  Output newCell(std::uint32_t row, std::uint32_t column, std::uint16_t style,
                 const CellValue& value, bool number_cell, bool shared_text) {
    if (shared_text) --total_delta_;
    std::optional<double> number;
    if (value.type == CellValue::Type::number) number = value.number;
    if (value.type == CellValue::Type::text && number_cell) {
      const auto& formats = book_.formats();
      number = formats.numberShownAs(value.text, formats.ofStyle(style));
    }
    if (number) {
      std::string data = cellHead(row, column, style, 14);
      putDouble(data, 6, *number);
      return {biff::kNumber, keep(std::move(data)), std::nullopt};
    }
    if (value.type == CellValue::Type::empty) {
      return {biff::kBlank, keep(cellHead(row, column, style, 6)), std::nullopt};
    }
    std::string data = cellHead(row, column, style, 10);
    put32(data, 6, sharedString(value.text));
    ++total_delta_;
    return {biff::kLabelSst, keep(std::move(data)), std::nullopt};
  }

  std::uint32_t sharedString(const std::string& text) {
    if (string_index_.empty()) {
      const auto& texts = book_.sharedStrings().texts;
      for (std::size_t i = texts.size(); i-- > 0;) {
        string_index_[texts[i]] = static_cast<std::uint32_t>(i);
      }
    }
    const auto [entry, added] = string_index_.try_emplace(
        text, static_cast<std::uint32_t>(book_.sharedStrings().texts.size() + new_strings_.size()));
    if (added) new_strings_.push_back(text);
    return entry->second;
  }

  // The table's records with the counts changed and the new strings appended, split so that
  // no record holds more than BIFF8 allows.
  void planSharedStrings() {
    if (new_strings_.empty() && total_delta_ == 0) return;
    const auto& records = book_.sharedStringRecords();
    const auto& table = book_.sharedStrings();
    if (records.empty()) {
      throw DatabaseError("ブックに共有文字列テーブルがないため、文字列のセルを書き込めません");
    }
    if (!new_strings_.empty() && !table.appendable) {
      throw DatabaseError("共有文字列テーブルの終わりが読み取れないため、文字列を追加できません");
    }
    for (const std::size_t record : records) {
      sst_parts_.emplace_back(book_.records()[record].data);
    }
    const std::int64_t total = std::int64_t{table.total} + total_delta_;
    put32(sst_parts_[0], 0, static_cast<std::uint32_t>(std::max<std::int64_t>(total, 0)));
    put32(sst_parts_[0], 4, static_cast<std::uint32_t>(table.texts.size() + new_strings_.size()));
    for (const auto& text : new_strings_) appendString(text);
  }

  void appendString(const std::string& text) {
    bool wide = false;
    const std::string units = utf16Of(text, wide);
    const std::size_t width = wide ? 2 : 1;
    const std::size_t count = units.size() / 2;
    // The head and a first character never split from each other.
    if (sst_parts_.back().size() + 3 + width > biff::kMaxData) sst_parts_.emplace_back();
    new_starts_.push_back({sst_parts_.size() - 1, sst_parts_.back().size()});
    std::string head(3, '\0');
    put16(head, 0, static_cast<std::uint32_t>(count));
    head[2] = static_cast<char>(wide ? 1 : 0);
    sst_parts_.back() += head;
    std::size_t done = 0;
    while (done < count) {
      std::size_t room = (biff::kMaxData - sst_parts_.back().size()) / width;
      std::size_t n = std::min(count - done, room);
      // A surrogate pair stays in one record.
      if (n > 0 && done + n < count) {
        const auto last = get16(units, 2 * (done + n - 1));
        if (last >= 0xD800 && last < 0xDC00) --n;
      }
      for (std::size_t i = done; i < done + n; ++i) {
        sst_parts_.back() += units[2 * i];
        if (wide) sst_parts_.back() += units[2 * i + 1];
      }
      done += n;
      if (done < count) {
        // Characters go on in a CONTINUE record behind a flags byte of their own.
        sst_parts_.emplace_back(1, static_cast<char>(wide ? 1 : 0));
      }
    }
  }

  std::vector<Output> emit() {
    const auto& records = book_.records();
    std::vector<Output> out;
    out.reserve(records.size() + 16);
    for (std::size_t i = 0; i < records.size(); ++i) {
      if (auto inserted = insert_before_.find(i); inserted != insert_before_.end()) {
        for (Output output : inserted->second) {
          output.origin = i;  // the first claims the record's position
          out.push_back(output);
        }
      }
      if (auto inserted = insert_after_.find(i); inserted != insert_after_.end()) {
        emitOne(out, i);
        out.insert(out.end(), inserted->second.begin(), inserted->second.end());
        continue;
      }
      emitOne(out, i);
    }
    return out;
  }

  void emitOne(std::vector<Output>& out, std::size_t i) {
    const auto& records = book_.records();
    const auto& sst_records = book_.sharedStringRecords();
    const Record& record = records[i];
    {
      if (auto row = row_changes_.find(i); row != row_changes_.end()) {
        out.push_back({record.type, row->second, i});
        return;
      }
      if (auto replacement = replacements_.find(i); replacement != replacements_.end()) {
        for (std::size_t r = 0; r < replacement->second.size(); ++r) {
          Output output = replacement->second[r];
          if (r == 0) output.origin = i;
          out.push_back(output);
        }
        if (replacement->second.empty()) out.push_back({record.type, record.data, i});
        return;
      }
      if (!sst_parts_.empty()) {
        const auto part = std::find(sst_records.begin(), sst_records.end(), i);
        if (part != sst_records.end()) {
          const auto k = static_cast<std::size_t>(part - sst_records.begin());
          part_outputs_.push_back(out.size());
          out.push_back({record.type, sst_parts_[k], i});
          if (k + 1 == sst_records.size()) {
            for (std::size_t extra = k + 1; extra < sst_parts_.size(); ++extra) {
              part_outputs_.push_back(out.size());
              out.push_back({biff::kContinue, sst_parts_[extra], std::nullopt});
            }
          }
          return;
        }
        if (book_.extSstRecord() == i) {
          ext_sst_output_ = out.size();
          out.push_back({record.type, record.data, i});
          return;
        }
      }
      out.push_back({record.type, record.data, i});
    }
  }

  std::string write(std::vector<Output>& out) {
    const auto& records = book_.records();
    if (ext_sst_output_) out[*ext_sst_output_].data = keep(extSstSized(out[*ext_sst_output_].data));
    // Where every record now starts.
    std::vector<std::size_t> starts(out.size());
    std::unordered_map<std::size_t, std::size_t> moved;
    std::size_t position = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
      starts[i] = position;
      if (out[i].origin) moved.emplace(records[*out[i].origin].offset, position);
      position += 4 + out[i].data.size();
    }
    const auto map = [&moved](std::size_t offset) -> std::optional<std::size_t> {
      const auto found = moved.find(offset);
      if (found == moved.end()) return std::nullopt;
      return found->second;
    };
    for (std::size_t i = 0; i < out.size(); ++i) {
      Output& output = out[i];
      switch (output.type) {
        case biff::kBoundSheet:
          if (output.data.size() >= 4) {
            std::string data(output.data);
            const auto target = map(get32(data, 0));
            if (!target) throw DatabaseError("シートの位置を書き換えられません");
            put32(data, 0, static_cast<std::uint32_t>(*target));
            output.data = keep(std::move(data));
          }
          break;
        case biff::kIndex:
          if (output.data.size() >= 16) {
            std::string data(output.data);
            for (std::size_t at = 12; at + 4 <= data.size(); at += 4) {
              if (at == 12 && get32(data, at) == 0) continue;
              if (const auto target = map(get32(data, at))) {
                put32(data, at, static_cast<std::uint32_t>(*target));
              }
            }
            output.data = keep(std::move(data));
          }
          break;
        case biff::kDbCell:
          if (output.origin) output.data = keep(dbCell(output, starts[i], map));
          break;
        default:
          break;
      }
    }
    if (ext_sst_output_) {
      out[*ext_sst_output_].data = keep(extSst(out[*ext_sst_output_].data, out, starts));
    }
    std::string stream;
    stream.reserve(position + 4096);
    for (const auto& output : out) {
      std::string head(4, '\0');
      put16(head, 0, output.type);
      put16(head, 2, static_cast<std::uint32_t>(output.data.size()));
      stream += head;
      stream += output.data;
    }
    // What follows the last whole record (padding) stays.
    const std::size_t end = records.empty() ? 0 : records.back().end();
    stream.append(book_.stream(), end);
    return stream;
  }

  // A DBCELL gives the first ROW record of its block backwards from itself, and each row's
  // first cell from the previous one, the first from the end of that ROW record.
  template <typename Map>
  std::string dbCell(const Output& output, std::size_t new_start, const Map& map) {
    std::string data(output.data);
    const std::size_t old_start = book_.records()[*output.origin].offset;
    if (data.size() < 4 || get32(data, 0) > old_start) return data;
    const std::size_t first_row = old_start - get32(data, 0);
    const auto row_record = recordAt(book_.records(), first_row);
    const auto new_row = map(first_row);
    if (!row_record || !new_row) return data;
    std::string patched = data;
    put32(patched, 0, static_cast<std::uint32_t>(new_start - *new_row));
    // The cells' offsets are kept as they were where they do not lead to cell records.
    const std::string rows_only = patched;
    std::size_t old_previous = book_.records()[*row_record].end();
    std::size_t new_previous = *new_row + (old_previous - first_row);
    for (std::size_t at = 4; at + 2 <= data.size(); at += 2) {
      const std::size_t old_target = old_previous + get16(data, at);
      const auto new_target =
          old_target == old_previous ? std::optional(new_previous) : map(old_target);
      if (!new_target || *new_target < new_previous || *new_target - new_previous > 0xFFFF) {
        return rows_only;
      }
      put16(patched, at, static_cast<std::uint32_t>(*new_target - new_previous));
      old_previous = old_target;
      new_previous = *new_target;
    }
    return patched;
  }

  std::size_t stringsPerBucket(std::string_view old_data) const {
    const std::size_t strings = book_.sharedStrings().texts.size() + new_strings_.size();
    std::size_t per_bucket = old_data.size() >= 2 ? get16(old_data, 0) : 8;
    per_bucket = std::max<std::size_t>(per_bucket, 8);
    // The record holds at most 1,027 buckets.
    while ((strings + per_bucket - 1) / per_bucket > 1027) per_bucket *= 2;
    return per_bucket;
  }

  std::string extSstSized(std::string_view old_data) {
    const std::size_t strings = book_.sharedStrings().texts.size() + new_strings_.size();
    const std::size_t per_bucket = stringsPerBucket(old_data);
    std::string data(2 + 8 * ((strings + per_bucket - 1) / per_bucket), '\0');
    put16(data, 0, static_cast<std::uint32_t>(per_bucket));
    return data;
  }

  std::string extSst(std::string_view sized, const std::vector<Output>& out,
                     const std::vector<std::size_t>& starts) const {
    std::string data(sized);
    const std::size_t per_bucket = get16(data, 0);
    const auto& old_starts = book_.sharedStrings().starts;
    for (std::size_t bucket = 0; 2 + 8 * bucket + 8 <= data.size(); ++bucket) {
      const std::size_t string = bucket * per_bucket;
      NewStart start;
      if (string < old_starts.size()) {
        start = {old_starts[string].record, old_starts[string].offset};
      } else {
        start = new_starts_.at(string - old_starts.size());
      }
      const std::size_t record_start = starts.at(part_outputs_.at(start.part));
      put32(data, 2 + 8 * bucket, static_cast<std::uint32_t>(record_start + 4 + start.offset));
      put16(data, 2 + 8 * bucket + 4, static_cast<std::uint32_t>(4 + start.offset));
    }
    (void)out;
    return data;
  }

  const XlsBook& book_;
  std::deque<std::string> storage_;
  std::map<std::size_t, std::vector<Output>> replacements_;
  std::map<std::size_t, std::vector<Output>> insert_before_;
  std::map<std::size_t, std::vector<Output>> insert_after_;
  std::map<std::size_t, std::string> row_changes_;
  std::unordered_map<std::string, std::uint32_t> string_index_;
  std::vector<std::string> new_strings_;
  std::int64_t total_delta_ = 0;
  std::vector<std::string> sst_parts_;
  std::vector<NewStart> new_starts_;
  std::vector<std::size_t> part_outputs_;
  std::optional<std::size_t> ext_sst_output_;
};

}  // namespace

std::string editWorkbookStream(const XlsBook& book,
                               const std::map<std::size_t, std::vector<xlsx::CellEdit>>& edits) {
  return StreamEditor(book).run(edits);
}

}  // namespace norvel::xls
