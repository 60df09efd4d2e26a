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

std::size_t length(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size(); i = next(text, i)) ++count;
  return count;
}

}  // namespace norvel::utf8
