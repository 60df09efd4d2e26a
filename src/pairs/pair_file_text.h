#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/code_page.h"

namespace norvel {

enum class PairFileEncoding { cp932, utf8, utf16 };

// The pair list file as text. The file is code page 932 unless it begins with the UTF-8
// byte-order mark that spreadsheets write. UTF-16 (a byte-order mark, or NUL bytes in every
// other place) is recognised only to be refused: its text stays empty.
struct PairFileText {
  PairFileEncoding encoding = PairFileEncoding::cp932;
  std::string text;  // UTF-8; undecodable bytes are U+FFFD
};
PairFileText decodePairFile(std::string_view bytes, const CodePage932& code_page);

struct PairFileLine {
  std::int32_t number = 0;  // from 1
  std::string_view text;    // without its line end
};

// CR LF, LF and a lone CR (old Mac files) each end a line; a last line without a line end is a
// line too.
std::vector<PairFileLine> splitPairFileLines(std::string_view text);

}  // namespace norvel
