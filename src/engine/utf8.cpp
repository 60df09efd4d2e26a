#include "engine/utf8.h"

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

std::size_t wellFormedLength(std::string_view text) {
  const auto byteAt = [&](std::size_t i) {
    return i < text.size() ? static_cast<unsigned char>(text[i]) : static_cast<unsigned char>(0);
  };
  const unsigned char lead = byteAt(0);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  if (byteAt(1) < low || byteAt(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if ((byteAt(i) & 0xC0) != 0x80) return 0;
  }
  return length;
}

std::size_t length(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size(); i = next(text, i)) ++count;
  return count;
}

}  // namespace norvel::utf8
