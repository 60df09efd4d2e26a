#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace norvel::xlsx {

class EntryReader;

// A number format whose text for a whole number is known exactly: digit placeholders "0"
// between literal text without digits ("0000000", "000-0000", "\〒000\-0000"), in up to three
// sections chosen by sign or, as in Excel's postal code format
// "[<=999]000;[<=99999]000-00;000-0000", by condition.
struct DigitFormat {
  enum class Comparison : std::uint8_t {
    none,
    less,
    lessOrEqual,
    greater,
    greaterOrEqual,
    equal,
    notEqual
  };
  struct Section {
    Comparison comparison = Comparison::none;  // the condition, "[<=999]"
    double bound = 0;
    // The literal text before each placeholder and, last, after the last one.
    std::vector<std::string> literals;
  };
  std::vector<Section> sections;  // a fourth section, for text, is left out
};

// Empty unless every part of the code is one that DigitFormat describes exactly.
std::optional<DigitFormat> parseDigitFormat(std::string_view code);

// The text the format shows for a number: for a whole number from 0 below 10^15 that a
// section takes; empty otherwise (a fraction is rounded and a negative number signed in ways
// not reproduced here, so those read in general format).
std::optional<std::string> digitFormatText(const DigitFormat& format, double number);

// The number formats of a workbook's cell styles, as far as a text field of the copy needs
// them: a number cell reads into a text field as its format shows it where that is known
// exactly (a code stored as the number 600000 and shown "0600000"), otherwise in general
// format; and a number cell given a new text stays a number where a number shows as exactly
// that text.
class CellFormats {
 public:
  // 0 stands for general format, and for every format that is not a DigitFormat.
  using Slot = std::uint16_t;

  // Every style in general format: a workbook without a styles part.
  static const CellFormats& general();

  // The number formats (numFmts) and cell styles (cellXfs) of the styles part, read as it
  // inflates. Throws DatabaseError naming the part.
  static CellFormats read(const std::string& part_name, EntryReader& part);

  // The formats of styles given by their format codes, by style index (Excel 97-2003 keeps
  // them in FORMAT and XF records).
  static CellFormats fromCodes(const std::vector<std::string>& style_codes);

  // The format of a cell's style, its s attribute (0 when it has none).
  Slot ofStyle(std::uint32_t style) const;

  // A number as a text field holds it.
  std::string shownText(double number, Slot format) const;

  // The number whose shownText is exactly text, when there is one.
  std::optional<double> numberShownAs(std::string_view text, Slot format) const;

 private:
  std::vector<DigitFormat> formats_;  // slot n is formats_[n - 1]
  std::vector<Slot> styles_;          // by style index; a style beyond it is general
};

}  // namespace norvel::xlsx
