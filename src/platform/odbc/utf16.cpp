#include "platform/odbc/utf16.h"

#include "text/utf8.h"

namespace norvel::odbc {
namespace {

bool isHighSurrogate(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool isLowSurrogate(char16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

std::u16string utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    // A malformed sequence stands for one U+FFFD and one byte, so decoding resynchronises at
    // the next byte.
    const utf8::Decoded decoded = utf8::decode(text.substr(pos));
    const char32_t code_point =
        decoded.length == 0 ? utf8::kReplacementCharacter : decoded.code_point;
    pos += decoded.length == 0 ? 1 : decoded.length;
    if (code_point < 0x10000) {
      out += static_cast<char16_t>(code_point);
    } else {
      const char32_t offset = code_point - 0x10000;
      out += static_cast<char16_t>(0xD800 | (offset >> 10));
      out += static_cast<char16_t>(0xDC00 | (offset & 0x3FF));
    }
  }
  return out;
}

std::string utf16ToUtf8(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size() * 3);
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    const char16_t unit = utf16[i];
    if (isHighSurrogate(unit) && i + 1 < utf16.size() && isLowSurrogate(utf16[i + 1])) {
      utf8::append(out, 0x10000 + ((char32_t{unit} - 0xD800) << 10) + (utf16[i + 1] - 0xDC00));
      ++i;
    } else if (isHighSurrogate(unit) || isLowSurrogate(unit)) {
      utf8::append(out, utf8::kReplacementCharacter);
    } else {
      utf8::append(out, unit);
    }
  }
  return out;
}

}  // namespace norvel::odbc
