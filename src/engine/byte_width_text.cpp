#include "engine/byte_width_text.h"

#include "text/utf8.h"

namespace norvel {

std::int32_t AnsiByteLength(const CodePage932& code_page, std::string_view text) {
  return static_cast<std::int32_t>(code_page.encode(text).size());
}

std::string AnsiLeft(const CodePage932& code_page, std::string_view text, std::int32_t max_bytes) {
  if (max_bytes <= 0) return {};
  if (AnsiByteLength(code_page, text) <= max_bytes) return std::string(text);
  // Each character is measured on its own: code page 932 has no shift states, so the byte
  // length of a text is the sum of its characters' lengths.
  std::string result;
  std::int32_t bytes = 0;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t end = utf8::next(text, i);
    const std::string_view character = text.substr(i, end - i);
    const std::int32_t width = AnsiByteLength(code_page, character);
    if (bytes + width > max_bytes) break;
    bytes += width;
    result.append(character);
    i = end;
  }
  return result;
}

}  // namespace norvel
