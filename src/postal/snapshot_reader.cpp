#include "postal/snapshot_reader.h"

#include <algorithm>
#include <string>

#include "postal/csv_fields.h"

namespace norvel::postal {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
constexpr std::size_t kFields = 15;
constexpr std::size_t kCodeField = 2;
constexpr std::size_t kFirstReadingField = 3;  // prefecture, city and town in kana
constexpr std::size_t kPrefectureField = 6;
constexpr std::size_t kCityField = 7;
constexpr std::size_t kTownField = 8;

// The offset of the first byte that does not belong to well-formed UTF-8, or npos.
std::size_t firstNonUtf8(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(bytes[i + k]); };
    const unsigned char lead = b(0);
    std::size_t n = 0;
    if (lead < 0x80) {
      n = 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      n = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      n = 3;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      n = 4;
    } else {
      return i;
    }
    if (i + n > bytes.size()) return i;
    for (std::size_t k = 1; k < n; ++k) {
      if ((b(k) & 0xC0) != 0x80) return i;
    }
    // Overlong forms, surrogates and code points past U+10FFFF.
    if (n == 3 && ((lead == 0xE0 && b(1) < 0xA0) || (lead == 0xED && b(1) >= 0xA0))) return i;
    if (n == 4 && ((lead == 0xF0 && b(1) < 0x90) || (lead == 0xF4 && b(1) >= 0x90))) return i;
    i += n;
  }
  return std::string_view::npos;
}

bool isAscii(std::string_view bytes) {
  return std::all_of(bytes.begin(), bytes.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// ASCII and half-width katakana (U+FF61 to U+FF9F) only.
bool isHalfWidthKana(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
    if (b(0) < 0x80) {
      ++i;
    } else if (i + 3 <= text.size() && b(0) == 0xEF &&
               ((b(1) == 0xBD && b(2) >= 0xA1 && b(2) <= 0xBF) ||
                (b(1) == 0xBE && b(2) >= 0x80 && b(2) <= 0x9F))) {
      i += 3;
    } else {
      return false;
    }
  }
  return true;
}

// Whether text, decoded from code page 932, starts as the code page 932 edition does: a first
// line that decoded, and that, where it is a record, has its readings in half-width kana as
// Japan Post writes them. Text that was UTF-8 decodes to other characters there.
bool startsAsCp932Edition(std::string_view text) {
  std::string_view line = text.substr(0, text.find('\n'));
  if (line.find(kReplacement) != std::string_view::npos) return false;
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  const std::vector<std::string> fields = splitCsvLine(line);
  if (fields.size() != kFields) return true;
  return std::all_of(fields.begin() + kFirstReadingField, fields.begin() + kFirstReadingField + 3,
                     [](const std::string& reading) { return isHalfWidthKana(reading); });
}

bool isSevenDigits(std::string_view code) {
  return code.size() == 7 &&
         std::all_of(code.begin(), code.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::size_t countOf(std::string_view text, std::string_view what) {
  std::size_t n = 0;
  for (std::size_t p = text.find(what); p != std::string_view::npos; p = text.find(what, p + 1)) {
    ++n;
  }
  return n;
}

// True while the town name has opened more parentheses than it closed.
bool opensParenthesis(std::string_view town) {
  return countOf(town, "（") + countOf(town, "(") > countOf(town, "）") + countOf(town, ")");
}

std::string shortened(std::string_view line) {
  constexpr std::size_t kShown = 60;
  if (line.size() <= kShown) return std::string(line);
  std::size_t cut = kShown;
  while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
  return std::string(line.substr(0, cut)) + "…";
}

std::string lineNumber(std::size_t number) {
  return "line " + std::to_string(number);
}

}  // namespace

Snapshot readSnapshot(std::string_view bytes, const CodePage932& code_page) {
  Snapshot snapshot;
  std::string decoded;
  std::string_view text = bytes;
  if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    text.remove_prefix(kByteOrderMark.size());
  } else if (const std::size_t bad = firstNonUtf8(text); bad != std::string_view::npos) {
    // The whole file decides, not its start: KEN_ALL.CSV's half-width kana are single bytes
    // that may pair up as UTF-8 (its first record's ﾎｯ, CE AF, is Greek ί) before the first
    // byte that does not. A file that was UTF-8 up to a bad byte and does not read as the code
    // page 932 edition either is a damaged UTF-8 file.
    decoded = code_page.decode(text);
    if (!isAscii(text.substr(0, bad)) && !startsAsCp932Edition(decoded)) {
      const std::size_t line =
          1 + static_cast<std::size_t>(std::count(text.begin(), text.begin() + bad, '\n'));
      throw PostalInputError(lineNumber(line) + ": a byte that is not UTF-8 in a UTF-8 file");
    }
    snapshot.encoding = TextEncoding::cp932;
    text = decoded;
  }

  bool continues = false;
  std::size_t number = 0;
  std::vector<std::string> fields;
  snapshot.records.reserve(text.size() / 128);
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    if (line.find(kReplacement) != std::string_view::npos) {
      throw PostalInputError(
          lineNumber(number) +
          ": bytes that are neither UTF-8 nor code page 932 text: " + shortened(line));
    }
    splitCsvLine(line, fields);
    if (fields.size() != kFields || !isSevenDigits(fields[kCodeField]) ||
        fields[kPrefectureField].empty()) {
      throw PostalInputError(
          lineNumber(number) + " is not a Japan Post address record (" +
          std::to_string(fields.size()) +
          " fields; a record has 15, the 7-digit postal code third): " + shortened(line));
    }
    ++snapshot.lines;
    if (continues) {
      AddressRecord& last = snapshot.records.back();
      if (last.code == fields[kCodeField] && last.city == fields[kCityField]) {
        last.town += fields[kTownField];
        continues = opensParenthesis(last.town);
        continue;
      }
    }
    snapshot.records.push_back(
        {fields[kCodeField], fields[kPrefectureField], fields[kCityField], fields[kTownField]});
    continues = opensParenthesis(snapshot.records.back().town);
  }
  if (snapshot.records.empty()) throw PostalInputError("no address records");
  return snapshot;
}

}  // namespace norvel::postal
