#include "xls/biff_text.h"

#include "platform/database.h"
#include "text/utf8.h"
#include "xls/little_endian.h"

namespace norvel::xls {

namespace {

[[noreturn]] void truncated(const char* what) {
  throw DatabaseError(std::string(what) + " が途中で切れています");
}

// Reads across the SST record and its CONTINUE records.
class PartsReader {
 public:
  explicit PartsReader(const std::vector<std::string_view>& parts) : parts_(parts) {}

  bool atEnd() {
    skipEmpty();
    return part_ >= parts_.size();
  }
  StringStart position() {
    skipEmpty();
    return {part_, offset_};
  }

  std::string_view take(std::size_t count) {
    scratch_.clear();
    while (scratch_.size() < count) {
      skipEmpty();
      if (part_ >= parts_.size()) truncated("共有文字列テーブル");
      const std::size_t n = std::min(count - scratch_.size(), parts_[part_].size() - offset_);
      scratch_.append(parts_[part_].substr(offset_, n));
      offset_ += n;
    }
    return scratch_;
  }

  // Characters continue in a new record behind a flags byte of their own.
  void characters(std::size_t count, bool wide, std::string& utf8) {
    while (count > 0) {
      if (offset_ >= partSize()) {
        ++part_;
        offset_ = 0;
        if (part_ >= parts_.size() || parts_[part_].empty()) truncated("共有文字列テーブル");
        wide = (parts_[part_][0] & 1) != 0;
        offset_ = 1;
        continue;
      }
      const std::size_t width = wide ? 2 : 1;
      const std::size_t n = std::min(count, (partSize() - offset_) / width);
      if (n == 0) truncated("共有文字列テーブル");
      appendCharacters(utf8, parts_[part_].substr(offset_, n * width), wide);
      offset_ += n * width;
      count -= n;
    }
  }

 private:
  std::size_t partSize() const { return part_ < parts_.size() ? parts_[part_].size() : 0; }
  void skipEmpty() {
    while (part_ < parts_.size() && offset_ >= parts_[part_].size()) {
      ++part_;
      offset_ = 0;
    }
  }

  const std::vector<std::string_view>& parts_;
  std::size_t part_ = 0;
  std::size_t offset_ = 0;
  std::string scratch_;
};

}  // namespace

void appendCharacters(std::string& utf8, std::string_view bytes, bool wide) {
  if (!wide) {
    for (const char c : bytes) utf8::append(utf8, static_cast<unsigned char>(c));
    return;
  }
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    char32_t unit = get16(bytes, i);
    if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
      const char32_t low = get16(bytes, i + 2);
      if (low >= 0xDC00 && low < 0xE000) {
        utf8::append(utf8, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        i += 2;
        continue;
      }
    }
    if (unit >= 0xD800 && unit < 0xE000) unit = utf8::kReplacementCharacter;
    utf8::append(utf8, unit);
  }
}

std::string utf16Of(std::string_view utf8, bool& wide) {
  std::string out;
  wide = false;
  for (std::size_t i = 0; i < utf8.size();) {
    auto decoded = utf8::decode(utf8.substr(i));
    if (decoded.length == 0) decoded = {utf8::kReplacementCharacter, 1};
    i += decoded.length;
    char32_t c = decoded.code_point;
    if (c > 0xFF) wide = true;
    const auto unit = [&out](char32_t u) {
      out += static_cast<char>(u & 0xFF);
      out += static_cast<char>(u >> 8);
    };
    if (c >= 0x10000) {
      c -= 0x10000;
      unit(0xD800 + (c >> 10));
      unit(0xDC00 + (c & 0x3FF));
    } else {
      unit(c);
    }
  }
  return out;
}

std::string readUnicodeString(std::string_view data, bool short_count, std::size_t* size,
                              const char* what) {
  const std::size_t head = short_count ? 2 : 3;
  if (data.size() < head) truncated(what);
  const std::size_t count = short_count ? static_cast<unsigned char>(data[0]) : get16(data, 0);
  const auto flags = static_cast<unsigned char>(data[head - 1]);
  const bool wide = (flags & 1) != 0;
  std::size_t offset = head;
  std::size_t runs = 0;
  std::size_t extended = 0;
  if ((flags & 8) != 0) {
    if (data.size() < offset + 2) truncated(what);
    runs = get16(data, offset);
    offset += 2;
  }
  if ((flags & 4) != 0) {
    if (data.size() < offset + 4) truncated(what);
    extended = get32(data, offset);
    offset += 4;
  }
  const std::size_t bytes = count * (wide ? 2 : 1);
  if (data.size() < offset + bytes) truncated(what);
  std::string text;
  appendCharacters(text, data.substr(offset, bytes), wide);
  if (size != nullptr) *size = offset + bytes + runs * 4 + extended;
  return text;
}

SharedStringTable readSharedStrings(const std::vector<std::string_view>& parts) {
  SharedStringTable table;
  if (parts.empty() || parts[0].size() < 8) truncated("共有文字列テーブル");
  table.total = get32(parts[0], 0);
  const std::uint32_t unique = get32(parts[0], 4);
  PartsReader reader(parts);
  reader.take(8);
  // A count beyond what the bytes can hold is not believed.
  for (std::uint32_t i = 0; i < unique && !reader.atEnd(); ++i) {
    table.starts.push_back(reader.position());
    const std::string_view head = reader.take(3);
    const std::size_t count = get16(head, 0);
    const auto flags = static_cast<unsigned char>(head[2]);
    std::size_t runs = 0;
    std::size_t extended = 0;
    if ((flags & 8) != 0) runs = get16(reader.take(2), 0);
    if ((flags & 4) != 0) extended = get32(reader.take(4), 0);
    std::string text;
    reader.characters(count, (flags & 1) != 0, text);
    if (runs > 0) reader.take(runs * 4);
    while (extended > 0) {
      const std::size_t n = std::min<std::size_t>(extended, 4096);
      reader.take(n);
      extended -= n;
    }
    table.texts.push_back(std::move(text));
  }
  table.appendable = reader.atEnd() && table.texts.size() == unique;
  return table;
}

}  // namespace norvel::xls
