#include "platform/win32/win32_code_page_932.h"

#include <windows.h>

#include <array>

#include "text/utf8.h"

namespace norvel {
namespace {

constexpr UINT kCodePage = 932;
constexpr char kEncodeReplacement = '?';

bool isUnassignedSingleByte(unsigned char byte) {
  return byte == 0x80 || byte == 0xA0 || byte >= 0xFD;
}

bool isLeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// JIS characters that Microsoft's table has under a different code point; they are written as
// that one, as glibc's CP932 (and so the iconv layer) writes them. Decoding gives Microsoft's.
char32_t microsoftForm(char32_t code_point) {
  switch (code_point) {
    case U'\u00A2':
      return U'\uFFE0';  // ¢
    case U'\u00A3':
      return U'\uFFE1';  // £
    case U'\u00A5':
      return U'\\';  // ¥ is 0x5C
    case U'\u00AC':
      return U'\uFFE2';  // ¬
    case U'\u2014':
      return U'\u2015';  // —
    case U'\u2016':
      return U'\u2225';  // ‖
    case U'\u203E':
      return U'~';  // ‾ is 0x7E
    case U'\u2212':
      return U'\uFF0D';  // −
    case U'\u301C':
      return U'\uFF5E';  // 〜
    default:
      return code_point;
  }
}

// The code page 932 bytes of one code point, or nothing when the code page lacks it.
std::string encodeOne(char32_t code_point) {
  code_point = microsoftForm(code_point);
  if (code_point < 0x80) return std::string(1, static_cast<char>(code_point));
  std::array<wchar_t, 2> units{};
  int unit_count = 1;
  if (code_point >= 0x10000) {
    units[0] = static_cast<wchar_t>(0xD800 + ((code_point - 0x10000) >> 10));
    units[1] = static_cast<wchar_t>(0xDC00 + ((code_point - 0x10000) & 0x3FF));
    unit_count = 2;
  } else {
    units[0] = static_cast<wchar_t>(code_point);
  }
  std::array<char, 8> bytes{};
  BOOL used_default = FALSE;
  // No best fit: "¥" must not quietly become "\".
  const int length =
      ::WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, units.data(), unit_count, bytes.data(),
                            static_cast<int>(bytes.size()), nullptr, &used_default);
  if (length <= 0 || used_default) return {};
  if (length == 1 && isUnassignedSingleByte(static_cast<unsigned char>(bytes[0]))) return {};
  return std::string(bytes.data(), static_cast<std::size_t>(length));
}

// The UTF-8 of one code page 932 character, or nothing when the bytes are not one.
std::string decodeOne(std::string_view bytes) {
  std::array<wchar_t, 4> units{};
  const int count =
      ::MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, bytes.data(),
                            static_cast<int>(bytes.size()), units.data(), units.size());
  // The table answers its default character for a double-byte code it does not assign.
  if (count != 1 || (units[0] == L'\x30FB' && bytes != "\x81\x45") ||
      (units[0] == L'?' && bytes != "?")) {
    return {};
  }
  std::string utf8;
  utf8::append(utf8, static_cast<char32_t>(units[0]));
  return utf8;
}

}  // namespace

std::string Win32CodePage932::encode(std::string_view utf8) const {
  std::string out;
  out.reserve(utf8.size());
  while (!utf8.empty()) {
    const utf8::Decoded decoded = utf8::decode(utf8);
    if (decoded.length == 0) {
      // Not UTF-8: one '?' for the sequence it starts, as the iconv layer does.
      out += kEncodeReplacement;
      const std::size_t skip = utf8::wellFormedLength(utf8);
      utf8.remove_prefix(skip == 0 ? 1 : skip);
      continue;
    }
    if (decoded.code_point < 0x80) {
      out += static_cast<char>(decoded.code_point);
    } else if (const std::string bytes = encodeOne(decoded.code_point); !bytes.empty()) {
      out += bytes;
    } else {
      out += kEncodeReplacement;
    }
    utf8.remove_prefix(decoded.length);
  }
  return out;
}

std::string Win32CodePage932::decode(std::string_view cp932) const {
  std::string out;
  out.reserve(cp932.size() * 3);
  while (!cp932.empty()) {
    const auto lead = static_cast<unsigned char>(cp932[0]);
    if (lead < 0x80) {
      out += static_cast<char>(lead);
      cp932.remove_prefix(1);
      continue;
    }
    // A lead byte with a trail byte from 0x80 up forms one character, valid or not; an ASCII or
    // out-of-range byte after a lead byte starts the next one (as on Linux).
    std::size_t length = 1;
    if (isLeadByte(lead) && cp932.size() >= 2) {
      const auto trail = static_cast<unsigned char>(cp932[1]);
      if ((trail >= 0x40 && trail <= 0x7E) || (trail >= 0x80 && trail <= 0xFC)) length = 2;
    }
    std::string text;
    if (length == 2 || (!isLeadByte(lead) && !isUnassignedSingleByte(lead))) {
      text = decodeOne(cp932.substr(0, length));
    }
    if (text.empty()) {
      utf8::append(out, utf8::kReplacementCharacter);
      // An invalid pair whose trail byte is ASCII gives the trail byte back, as iconv does.
      if (length == 2 && static_cast<unsigned char>(cp932[1]) < 0x80) length = 1;
    } else {
      out += text;
    }
    cp932.remove_prefix(length);
  }
  return out;
}

}  // namespace norvel
