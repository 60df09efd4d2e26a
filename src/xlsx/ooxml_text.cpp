#include "xlsx/ooxml_text.h"

#include <cstdint>
#include <cstdio>
#include <optional>

#include "text/utf8.h"

namespace norvel::xlsx {

namespace {

std::optional<std::uint32_t> escapedUnitAt(std::string_view text, std::size_t i) {
  if (i + 7 > text.size() || text[i] != '_' || text[i + 1] != 'x' || text[i + 6] != '_') {
    return std::nullopt;
  }
  std::uint32_t unit = 0;
  for (std::size_t k = i + 2; k < i + 6; ++k) {
    char c = text[k];
    unit <<= 4;
    if (c >= '0' && c <= '9') {
      unit |= static_cast<std::uint32_t>(c - '0');
    } else if (c >= 'a' && c <= 'f') {
      unit |= static_cast<std::uint32_t>(c - 'a' + 10);
    } else if (c >= 'A' && c <= 'F') {
      unit |= static_cast<std::uint32_t>(c - 'A' + 10);
    } else {
      return std::nullopt;
    }
  }
  return unit;
}

void appendEscapedUnit(std::string& out, unsigned unit) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "_x%04X_", unit);
  out += buffer;
}

}  // namespace

std::string decodeCellText(std::string_view text) {
  if (text.find("_x") == std::string_view::npos) return std::string(text);
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    auto unit = escapedUnitAt(text, i);
    if (!unit) {
      out += text[i++];
      continue;
    }
    i += 7;
    std::uint32_t cp = *unit;
    if (cp >= 0xD800 && cp <= 0xDBFF) {
      auto low = escapedUnitAt(text, i);
      if (low && *low >= 0xDC00 && *low <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (*low - 0xDC00);
        i += 7;
      } else {
        cp = 0xFFFD;
      }
    } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    utf8::append(out, cp);
  }
  return out;
}

std::string encodeCellText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 && c != '\t' && c != '\n') {
      // CR as well: a parser would turn a literal CR into LF.
      appendEscapedUnit(out, c);
    } else if (c == '_' && escapedUnitAt(text, i)) {
      appendEscapedUnit(out, '_');
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

namespace {

// Attribute values also need their quote and the white space that attribute normalisation would
// otherwise fold into blanks.
std::string escapeMarkup(std::string_view text, bool attribute) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        continue;
      case '<':
        out += "&lt;";
        continue;
      case '>':
        out += "&gt;";
        continue;
      default:
        break;
    }
    if (attribute && c == '"') {
      out += "&quot;";
    } else if (attribute && c == '\t') {
      out += "&#9;";
    } else if (attribute && c == '\n') {
      out += "&#10;";
    } else if (attribute && c == '\r') {
      out += "&#13;";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::string escapeXml(std::string_view text) {
  return escapeMarkup(text, false);
}

std::string escapeXmlAttribute(std::string_view text) {
  return escapeMarkup(text, true);
}

bool needsSpacePreserve(std::string_view text) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  return !text.empty() && (blank(text.front()) || blank(text.back()));
}

}  // namespace norvel::xlsx
