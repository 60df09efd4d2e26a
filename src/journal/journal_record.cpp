#include "journal/journal_record.h"

#include <charconv>

namespace norvel {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kMagic = "norvel run journal";
constexpr std::string_view kVersion = "1";
// NULL and the empty text differ in a row's value; a spreadsheet shows this marker plainly.
constexpr std::string_view kNull = "(NULL)";

using Fields = std::vector<std::optional<std::string>>;

void appendField(std::string& out, const std::optional<std::string>& value) {
  if (!value) {
    out += kNull;
    return;
  }
  const std::string& text = *value;
  // A text that reads as the NULL marker is quoted, so that it stays a text.
  const bool quote = text.find_first_of(",\"\r\n") != std::string::npos || text == kNull ||
                     (!text.empty() && (text.front() == ' ' || text.back() == ' '));
  if (!quote) {
    out += text;
    return;
  }
  out += '"';
  for (const char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

void appendLine(std::string& out, const Fields& fields) {
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i != 0) out += ',';
    appendField(out, fields[i]);
  }
  out += "\r\n";
}

class CsvReader {
 public:
  explicit CsvReader(std::string_view bytes) : bytes_(bytes) {}

  bool atEnd() const { return at_ >= bytes_.size(); }
  std::size_t line() const { return line_; }

  Fields next() {
    ++line_;
    Fields fields;
    while (true) {
      std::optional<std::string> field = std::string();
      bool quoted = false;
      if (at_ < bytes_.size() && bytes_[at_] == '"') {
        quoted = true;
        ++at_;
        while (true) {
          if (at_ >= bytes_.size()) fail("a quoted field is not closed");
          const char c = bytes_[at_++];
          if (c == '"') {
            if (at_ < bytes_.size() && bytes_[at_] == '"') {
              *field += '"';
              ++at_;
              continue;
            }
            break;
          }
          *field += c;
        }
      } else {
        while (at_ < bytes_.size() && bytes_[at_] != ',' && bytes_[at_] != '\r' &&
               bytes_[at_] != '\n') {
          *field += bytes_[at_++];
        }
      }
      if (!quoted && *field == kNull) field.reset();
      fields.push_back(std::move(field));
      if (at_ >= bytes_.size()) return fields;
      const char c = bytes_[at_++];
      if (c == ',') continue;
      if (c == '\r' && at_ < bytes_.size() && bytes_[at_] == '\n') ++at_;
      if (c == '\r' || c == '\n') return fields;
      fail("unexpected text after a quoted field");
    }
  }

  [[noreturn]] void fail(const std::string& why) const {
    throw JournalFormatError("line " + std::to_string(line_) + ": " + why);
  }

 private:
  std::string_view bytes_;
  std::size_t at_ = 0;
  std::size_t line_ = 0;
};

std::string textOf(const CsvReader& reader, const Fields& fields, std::size_t i) {
  if (i >= fields.size() || !fields[i]) reader.fail("a field is missing");
  return *fields[i];
}

std::int64_t numberOf(const CsvReader& reader, const Fields& fields, std::size_t i) {
  const std::string text = textOf(reader, fields, i);
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 0) {
    reader.fail("\"" + text + "\" is not a count");
  }
  return value;
}

Fields keyed(std::string_view key, std::initializer_list<std::optional<std::string>> values) {
  Fields fields{std::string(key)};
  fields.insert(fields.end(), values.begin(), values.end());
  return fields;
}

}  // namespace

std::string identityText(const JournalRecord& record, const JournalEntry& entry) {
  std::string text;
  for (std::size_t i = 0; i < record.identity.size() && i < entry.identity.size(); ++i) {
    if (i != 0) text += ", ";
    text += record.identity[i] + "=" + entry.identity[i].value_or("NULL");
  }
  return text;
}

std::string journalBytes(const JournalRecord& record) {
  std::string out(kBom);
  appendLine(out, keyed(kMagic, {std::string(kVersion)}));
  appendLine(out, keyed("source", {record.source}));
  appendLine(out, keyed("table", {record.table}));
  appendLine(out, keyed("field", {record.field}));
  appendLine(out, keyed("time", {record.time}));
  appendLine(out, keyed("user", {record.user}));
  if (!record.undoes.empty()) appendLine(out, keyed("undoes", {record.undoes}));
  Fields identity{std::string("identity")};
  identity.insert(identity.end(), record.identity.begin(), record.identity.end());
  appendLine(out, identity);
  for (std::size_t i = 0; i < record.pairs.size(); ++i) {
    const JournalPair& pair = record.pairs[i];
    appendLine(out, keyed("pair", {std::to_string(i + 1), pair.old_code, pair.new_code,
                                   std::to_string(pair.count)}));
  }
  appendLine(out, keyed("total", {std::to_string(record.total)}));
  appendLine(out, keyed("rows", {std::to_string(record.entries.size())}));
  Fields columns{std::string("pair"), std::string("old value"), std::string("new value")};
  columns.insert(columns.end(), record.identity.begin(), record.identity.end());
  appendLine(out, columns);
  for (const JournalEntry& entry : record.entries) {
    Fields line{std::to_string(entry.pair_index + 1), entry.old_value, entry.new_value};
    line.insert(line.end(), entry.identity.begin(), entry.identity.end());
    appendLine(out, line);
  }
  appendLine(out, keyed("end", {std::to_string(record.entries.size())}));
  return out;
}

JournalRecord parseJournal(std::string_view bytes) {
  if (bytes.substr(0, kBom.size()) == kBom) bytes.remove_prefix(kBom.size());
  CsvReader reader(bytes);
  JournalRecord record;
  Fields fields = reader.next();
  if (fields.size() != 2 || fields[0] != std::string(kMagic)) {
    reader.fail("not a norvel run journal");
  }
  if (fields[1] != std::string(kVersion)) reader.fail("a journal version this program cannot read");
  std::optional<std::int64_t> rows;
  while (!rows) {
    if (reader.atEnd()) reader.fail("the journal ends before its rows");
    fields = reader.next();
    const std::string key = textOf(reader, fields, 0);
    if (key == "source") {
      record.source = textOf(reader, fields, 1);
    } else if (key == "table") {
      record.table = textOf(reader, fields, 1);
    } else if (key == "field") {
      record.field = textOf(reader, fields, 1);
    } else if (key == "time") {
      record.time = textOf(reader, fields, 1);
    } else if (key == "user") {
      record.user = textOf(reader, fields, 1);
    } else if (key == "undoes") {
      record.undoes = textOf(reader, fields, 1);
    } else if (key == "identity") {
      for (std::size_t i = 1; i < fields.size(); ++i) {
        if (fields.size() == 2 && fields[1] == std::string()) break;
        record.identity.push_back(textOf(reader, fields, i));
      }
    } else if (key == "pair") {
      if (numberOf(reader, fields, 1) != static_cast<std::int64_t>(record.pairs.size() + 1)) {
        reader.fail("the pairs are out of order");
      }
      record.pairs.push_back(
          {textOf(reader, fields, 2), textOf(reader, fields, 3), numberOf(reader, fields, 4)});
    } else if (key == "total") {
      record.total = numberOf(reader, fields, 1);
    } else if (key == "rows") {
      rows = numberOf(reader, fields, 1);
    } else {
      reader.fail("unknown line \"" + key + "\"");
    }
  }
  if (record.table.empty() || record.field.empty()) reader.fail("the table or field is missing");
  if (reader.atEnd()) reader.fail("the column line is missing");
  reader.next();
  const std::size_t width = 3 + record.identity.size();
  for (std::int64_t i = 0; i < *rows; ++i) {
    if (reader.atEnd()) reader.fail("the journal is cut short before its end line");
    fields = reader.next();
    if (fields.size() != width) reader.fail("a row has the wrong number of fields");
    const std::int64_t pair = numberOf(reader, fields, 0);
    if (pair < 1 || static_cast<std::size_t>(pair) > record.pairs.size()) {
      reader.fail("a row names no pair of the journal");
    }
    record.entries.push_back({static_cast<std::size_t>(pair - 1), fields[1], fields[2],
                              Fields(fields.begin() + 3, fields.end())});
  }
  if (reader.atEnd()) reader.fail("the journal is cut short before its end line");
  fields = reader.next();
  if (fields.size() != 2 || fields[0] != std::string("end") ||
      numberOf(reader, fields, 1) != *rows) {
    reader.fail("the end line is missing or does not match the rows");
  }
  return record;
}

}  // namespace norvel
