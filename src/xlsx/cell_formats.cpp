#include "xlsx/cell_formats.h"

#include <charconv>
#include <cmath>
#include <map>

#include "text/ascii_case.h"
#include "text/number_text.h"
#include "xlsx/cell_number.h"
#include "xlsx/xml_stream.h"

namespace norvel::xlsx {

namespace {

using Comparison = DigitFormat::Comparison;

// Excel allows 64,000 cell styles; a styles part with more is no workbook Excel wrote, and its
// styles beyond these read as general format.
constexpr std::size_t kMaxStyles = std::size_t{1} << 20;
constexpr double kWholeNumberLimit = 1e15;  // whole numbers below it are exact in a double

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// [Red], [Color10]: they colour the text and leave it as it is.
bool isColor(std::string_view name) {
  for (std::string_view color :
       {"black", "blue", "cyan", "green", "magenta", "red", "white", "yellow"}) {
    if (equalsIgnoringAsciiCase(name, color)) return true;
  }
  if (name.size() < 6 || !equalsIgnoringAsciiCase(name.substr(0, 5), "color")) return false;
  int number = 0;
  const auto digits = name.substr(5);
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  return error == std::errc() && end == digits.data() + digits.size() && number >= 1 &&
         number <= 56;
}

// [<=999]
bool readCondition(std::string_view text, DigitFormat::Section& section) {
  static constexpr std::pair<std::string_view, Comparison> kOperators[] = {
      {"<=", Comparison::lessOrEqual}, {">=", Comparison::greaterOrEqual},
      {"<>", Comparison::notEqual},    {"<", Comparison::less},
      {">", Comparison::greater},      {"=", Comparison::equal}};
  for (const auto& [op, comparison] : kOperators) {
    if (text.substr(0, op.size()) != op) continue;
    const auto number = text.substr(op.size());
    double bound = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), bound);
    if (number.empty() || error != std::errc() || end != number.data() + number.size()) {
      return false;
    }
    if (section.comparison != Comparison::none) return false;
    section.comparison = comparison;
    section.bound = bound;
    return true;
  }
  return false;
}

bool holds(const DigitFormat::Section& section, double number) {
  switch (section.comparison) {
    case Comparison::none:
      return true;
    case Comparison::less:
      return number < section.bound;
    case Comparison::lessOrEqual:
      return number <= section.bound;
    case Comparison::greater:
      return number > section.bound;
    case Comparison::greaterOrEqual:
      return number >= section.bound;
    case Comparison::equal:
      return number == section.bound;
    case Comparison::notEqual:
      return number != section.bound;
  }
  return false;
}

std::size_t utf8Length(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  return 2;
}

// One section up to its ';' or the code's end; i is left on the ';'.
std::optional<DigitFormat::Section> readSection(std::string_view code, std::size_t& i) {
  DigitFormat::Section section;
  section.literals.emplace_back();
  bool in_front = true;  // colours and the condition stand before everything else
  while (i < code.size() && code[i] != ';') {
    const char c = code[i];
    if (c == '[') {
      const auto close = code.find(']', i);
      if (!in_front || close == std::string_view::npos) return std::nullopt;
      const auto inside = code.substr(i + 1, close - i - 1);
      if (!isColor(inside) && !readCondition(inside, section)) return std::nullopt;
      i = close + 1;
      continue;
    }
    in_front = false;
    if (c == '0') {
      section.literals.emplace_back();
      ++i;
    } else if (c == '"') {
      const auto close = code.find('"', i + 1);
      if (close == std::string_view::npos) return std::nullopt;
      section.literals.back().append(code.substr(i + 1, close - i - 1));
      i = close + 1;
    } else if (c == '\\') {
      if (i + 1 >= code.size()) return std::nullopt;
      const std::size_t length = utf8Length(static_cast<unsigned char>(code[i + 1]));
      section.literals.back().append(code.substr(i + 1, length));
      i += 1 + length;
    } else if (c == '-' || c == '+' || c == '(' || c == ')' || c == ' ') {
      section.literals.back() += c;
      ++i;
    } else {
      // "#", "?", ",", ".", "%", "E", "@", "_", "*", "/", dates, times: not known exactly here.
      return std::nullopt;
    }
  }
  if (section.literals.size() < 2) return std::nullopt;
  // A digit in a literal would make two numbers show alike.
  for (const auto& literal : section.literals) {
    for (const char c : literal) {
      if (isDigit(c)) return std::nullopt;
    }
  }
  return section;
}

class StylesReader final : public XmlStream {
 public:
  using XmlStream::XmlStream;

  void read(EntryReader& part) { parse(part); }

  // Only the formats that DigitFormat describes are kept, so that a part of a million
  // formats costs no more than 65,535 of them.
  std::vector<DigitFormat> formats;
  std::map<std::uint32_t, CellFormats::Slot> slots;  // by number format id
  std::vector<std::uint32_t> style_formats;          // number format id by style index

 private:
  enum class Role : std::uint8_t { other, root, numFmts, cellXfs };

  static const char* attributeValue(const char** attributes, std::string_view name) {
    for (auto a = attributes; *a != nullptr; a += 2) {
      if (name == a[0]) return a[1];
    }
    return nullptr;
  }

  static std::optional<std::uint32_t> formatId(const char** attributes) {
    const char* text = attributeValue(attributes, "numFmtId");
    if (text == nullptr) return std::nullopt;
    const std::string_view id(text);
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(id.data(), id.data() + id.size(), value);
    if (error != std::errc() || end != id.data() + id.size()) return std::nullopt;
    return value;
  }

  void startElement(const char* name, const char** attributes) override {
    const std::string_view local = localPart(name);
    const Role parent = roles_.empty() ? Role::other : roles_.back();
    Role role = roles_.empty() ? Role::root : Role::other;
    if (parent == Role::root && local == "numFmts" && !num_fmts_seen_) {
      role = Role::numFmts;
      num_fmts_seen_ = true;
    } else if (parent == Role::root && local == "cellXfs" && !cell_xfs_seen_) {
      role = Role::cellXfs;
      cell_xfs_seen_ = true;
    } else if (parent == Role::numFmts && local == "numFmt") {
      readNumberFormat(attributes);
    } else if (parent == Role::cellXfs && local == "xf") {
      // An xf without numFmtId is in general format.
      if (style_formats.size() < kMaxStyles) {
        style_formats.push_back(formatId(attributes).value_or(0));
      }
    }
    roles_.push_back(role);
  }

  void endElement() override { roles_.pop_back(); }

  // A later definition of an id stands, as a reader that keeps the last one would have it.
  void readNumberFormat(const char** attributes) {
    const auto id = formatId(attributes);
    const char* code = attributeValue(attributes, "formatCode");
    if (!id || code == nullptr) return;
    auto format = parseDigitFormat(code);
    if (format && formats.size() < UINT16_MAX) {
      formats.push_back(std::move(*format));
      slots[*id] = static_cast<CellFormats::Slot>(formats.size());
    } else {
      slots.erase(*id);
    }
  }

  std::vector<Role> roles_;
  bool num_fmts_seen_ = false;
  bool cell_xfs_seen_ = false;
};

}  // namespace

std::optional<DigitFormat> parseDigitFormat(std::string_view code) {
  DigitFormat format;
  std::size_t i = 0;
  while (format.sections.size() < 3) {
    auto section = readSection(code, i);
    if (!section) return std::nullopt;
    format.sections.push_back(std::move(*section));
    if (i >= code.size()) break;
    ++i;  // the ';'
  }
  // Conditions only as Excel's own postal code format has them: the first two sections each
  // with one, the third for every other number.
  const auto& sections = format.sections;
  const bool conditional = sections[0].comparison != Comparison::none;
  for (std::size_t s = 0; s < sections.size(); ++s) {
    const bool has_condition = sections[s].comparison != Comparison::none;
    if (conditional ? has_condition != (s < 2) : has_condition) return std::nullopt;
  }
  if (conditional && sections.size() != 3) return std::nullopt;
  return format;
}

std::optional<std::string> digitFormatText(const DigitFormat& format, double number) {
  const auto& sections = format.sections;
  if (sections.empty() || !(number >= 0 && number < kWholeNumberLimit) ||
      std::floor(number) != number) {
    return std::nullopt;
  }
  const DigitFormat::Section* section = &sections[0];
  if (sections[0].comparison != Comparison::none) {
    if (sections.size() < 3) return std::nullopt;
    if (!holds(sections[0], number)) {
      section = holds(sections[1], number) ? &sections[1] : &sections[2];
    }
  } else if (number == 0 && sections.size() >= 3) {
    section = &sections[2];
  }
  const auto& literals = section->literals;
  if (literals.size() < 2) return std::nullopt;
  const std::size_t places = literals.size() - 1;
  std::string digits = std::to_string(static_cast<std::uint64_t>(number));
  if (digits.size() < places) digits.insert(0, places - digits.size(), '0');
  // Digits beyond the placeholders go to the first of them.
  const std::size_t first = digits.size() - places + 1;
  std::string text = literals[0];
  text.append(digits, 0, first);
  for (std::size_t p = 1; p < places; ++p) {
    text += literals[p];
    text += digits[first + p - 1];
  }
  text += literals[places];
  return text;
}

const CellFormats& CellFormats::general() {
  static const CellFormats formats;
  return formats;
}

CellFormats CellFormats::read(const std::string& part_name, EntryReader& part) {
  StylesReader reader(part_name);
  reader.read(part);
  CellFormats formats;
  formats.formats_ = std::move(reader.formats);
  formats.styles_.reserve(reader.style_formats.size());
  for (const std::uint32_t id : reader.style_formats) {
    const auto slot = reader.slots.find(id);
    formats.styles_.push_back(slot == reader.slots.end() ? Slot{0} : slot->second);
  }
  return formats;
}

CellFormats CellFormats::fromCodes(const std::vector<std::string>& style_codes) {
  CellFormats formats;
  std::map<std::string_view, Slot> slots;
  for (const auto& code : style_codes) {
    auto [slot, added] = slots.try_emplace(code, Slot{0});
    if (added) {
      auto format = parseDigitFormat(code);
      if (format && formats.formats_.size() < UINT16_MAX) {
        formats.formats_.push_back(std::move(*format));
        slot->second = static_cast<Slot>(formats.formats_.size());
      }
    }
    formats.styles_.push_back(slot->second);
  }
  return formats;
}

CellFormats::Slot CellFormats::ofStyle(std::uint32_t style) const {
  return style < styles_.size() ? styles_[style] : Slot{0};
}

std::string CellFormats::shownText(double number, Slot format) const {
  if (format != 0 && format <= formats_.size()) {
    if (auto text = digitFormatText(formats_[format - 1], number)) return *text;
  }
  return formatGeneralNumber(number);
}

std::optional<double> CellFormats::numberShownAs(std::string_view text, Slot format) const {
  if (auto number = parseCellNumber(text); number && shownText(*number, format) == text) {
    return number;
  }
  if (format == 0) return std::nullopt;
  // The format's literals hold no digits: the number is the text's digits.
  std::uint64_t value = 0;
  std::size_t digits = 0;
  for (const char c : text) {
    if (!isDigit(c)) continue;
    if (++digits > 15) return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (digits == 0) return std::nullopt;
  const auto number = static_cast<double>(value);
  if (shownText(number, format) == text) return number;
  return std::nullopt;
}

}  // namespace norvel::xlsx
