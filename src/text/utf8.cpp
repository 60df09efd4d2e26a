#include "text/utf8.h"

namespace norvel::utf8 {

std::size_t sequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 1;
}

std::size_t next(std::string_view text, std::size_t offset) {
  std::size_t end = offset + sequenceLength(static_cast<unsigned char>(text[offset]));
  if (end > text.size()) end = text.size();
  // Never step over the start of the following sequence when this one is cut short.
  for (std::size_t i = offset + 1; i < end; ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return i;
  }
  return end;
}

Decoded decode(std::string_view text) {
  if (text.empty()) return {};
  const auto byte_at = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte_at(0);
  if (lead < 0x80) return {lead, 1};
  std::size_t length = 0;
  char32_t code_point = 0;
  // The second byte's range rules out overlong forms, surrogates and values past U+10FFFF.
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code_point = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code_point = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code_point = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return {};
  }
  if (text.size() < length) return {};
  if (byte_at(1) < low || byte_at(1) > high) return {};
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte_at(i) & 0xC0) != 0x80) return {};
    code_point = (code_point << 6) | (byte_at(i) & 0x3F);
  }
  return {code_point, length};
}

std::size_t wellFormedLength(std::string_view text) {
  return decode(text).length;
}

void append(std::string& out, char32_t code_point) {
  if (code_point < 0x80) {
    out += static_cast<char>(code_point);
  } else if (code_point < 0x800) {
    out += static_cast<char>(0xC0 | (code_point >> 6));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else if (code_point < 0x10000) {
    out += static_cast<char>(0xE0 | (code_point >> 12));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code_point >> 18));
    out += static_cast<char>(0x80 | ((code_point >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  }
}

std::size_t length(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size(); i = next(text, i)) ++count;
  return count;
}

}  // namespace norvel::utf8
