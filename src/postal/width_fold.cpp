#include "postal/width_fold.h"

#include <array>
#include <cstdint>

namespace norvel::postal {
namespace {

// U+FF61..U+FF9F in their full-width forms.
constexpr std::array<char32_t, 63> kHalfKana = {
    U'。', U'「', U'」', U'、', U'・', U'ヲ', U'ァ', U'ィ', U'ゥ', U'ェ', U'ォ', U'ャ', U'ュ',
    U'ョ', U'ッ', U'ー', U'ア', U'イ', U'ウ', U'エ', U'オ', U'カ', U'キ', U'ク', U'ケ', U'コ',
    U'サ', U'シ', U'ス', U'セ', U'ソ', U'タ', U'チ', U'ツ', U'テ', U'ト', U'ナ', U'ニ', U'ヌ',
    U'ネ', U'ノ', U'ハ', U'ヒ', U'フ', U'ヘ', U'ホ', U'マ', U'ミ', U'ム', U'メ', U'モ', U'ヤ',
    U'ユ', U'ヨ', U'ラ', U'リ', U'ル', U'レ', U'ロ', U'ワ', U'ン', U'゛', U'゜'};

constexpr char32_t kInvalid = 0xFFFFFFFF;

// The code point at offset and its length; kInvalid with length 1 for a byte that does not
// start a well-formed sequence.
char32_t decodeAt(std::string_view text, std::size_t offset, std::size_t& length) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[offset + i]); };
  const unsigned char lead = byte(0);
  length = 1;
  if (lead < 0x80) return lead;
  std::size_t n = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
  if (n == 0 || offset + n > text.size()) return kInvalid;
  char32_t cp = lead & (0x7F >> n);
  for (std::size_t i = 1; i < n; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return kInvalid;
    cp = (cp << 6) | (byte(i) & 0x3F);
  }
  length = n;
  return cp;
}

void append(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

bool takesVoicedMark(char32_t kana) {
  return (kana >= U'カ' && kana <= U'ト' && kana != U'ッ') || (kana >= U'ハ' && kana <= U'ホ') ||
         kana == U'ウ';
}

bool takesSemiVoicedMark(char32_t kana) {
  return kana >= U'ハ' && kana <= U'ホ';
}

// The full-width kana with its mark joined; the voiced forms follow their base in Unicode
// (カ ガ, ハ バ パ), ヴ stands apart.
char32_t withMark(char32_t kana, bool semi) {
  if (kana == U'ウ') return U'ヴ';
  return kana + (semi ? 2 : 1);
}

}  // namespace

std::string foldWidth(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  appendFolded(out, utf8);
  return out;
}

void appendFolded(std::string& out, std::string_view utf8) {
  for (std::size_t i = 0; i < utf8.size();) {
    std::size_t length = 0;
    char32_t cp = decodeAt(utf8, i, length);
    if (cp == kInvalid) {
      out.push_back(utf8[i]);
      i += length;
      continue;
    }
    i += length;
    if (cp == U' ' || cp == U'\t' || cp == 0x3000) continue;
    if (cp == 0x301C || cp == 0xFF5E) {
      cp = U'~';
    } else if (cp == 0x2212 || cp == 0x2010 || cp == 0x2011 || cp == 0xFF0D) {
      cp = U'-';
    } else if (cp >= 0xFF01 && cp <= 0xFF5E) {
      cp -= 0xFEE0;
    } else if (cp >= 0xFF61 && cp <= 0xFF9F) {
      cp = kHalfKana[cp - 0xFF61];
      if (i < utf8.size()) {
        std::size_t mark_length = 0;
        const char32_t mark = decodeAt(utf8, i, mark_length);
        const bool voiced = mark == 0xFF9E && takesVoicedMark(cp);
        const bool semi = mark == 0xFF9F && takesSemiVoicedMark(cp);
        if (voiced || semi) {
          cp = withMark(cp, semi);
          i += mark_length;
        }
      }
    }
    append(out, cp);
  }
}

}  // namespace norvel::postal
