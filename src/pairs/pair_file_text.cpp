#include "pairs/pair_file_text.h"

#include <algorithm>
#include <cstddef>

#include "text/utf8.h"

namespace norvel {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kReplacementChar = "\xEF\xBF\xBD";  // U+FFFD
// Enough of the file to tell UTF-16 from text that merely holds a stray NUL.
constexpr std::size_t kUtf16Sample = 1024;

// Code page 932 text has no NUL bytes; UTF-16 of postal codes has one in every other place.
bool looksLikeUtf16(std::string_view bytes) {
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) return true;
  const std::size_t sample = std::min(bytes.size(), kUtf16Sample) & ~std::size_t{1};
  if (sample < 4) return false;
  std::size_t nuls[2] = {0, 0};
  for (std::size_t i = 0; i < sample; ++i) {
    if (bytes[i] == '\0') ++nuls[i % 2];
  }
  const std::size_t half = sample / 2;
  // Characters such as U+4E00 put a NUL in the other place now and then.
  return (nuls[0] * 2 >= half && nuls[1] * 10 <= half) ||
         (nuls[1] * 2 >= half && nuls[0] * 10 <= half);
}

// The bytes with each one that does not begin a well-formed sequence as U+FFFD, as the code
// page layer does for code page 932.
std::string repairedUtf8(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t length = utf8::wellFormedLength(bytes.substr(i));
    if (length == 0) {
      text += kReplacementChar;
      ++i;
    } else {
      text.append(bytes.substr(i, length));
      i += length;
    }
  }
  return text;
}

}  // namespace

PairFileText decodePairFile(std::string_view bytes, const CodePage932& code_page) {
  if (bytes.starts_with(kUtf8Bom)) {
    return {PairFileEncoding::utf8, repairedUtf8(bytes.substr(kUtf8Bom.size()))};
  }
  if (looksLikeUtf16(bytes)) return {PairFileEncoding::utf16, {}};
  return {PairFileEncoding::cp932, code_page.decode(bytes)};
}

std::vector<PairFileLine> splitPairFileLines(std::string_view text) {
  std::vector<PairFileLine> lines;
  std::int32_t number = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    lines.push_back({++number, text.substr(start, end - start)});
    if (end == text.size()) break;
    start = end + (text.substr(end, 2) == "\r\n" ? 2 : 1);
  }
  return lines;
}

}  // namespace norvel
