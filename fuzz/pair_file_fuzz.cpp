// The pair list file as the window reads it: bytes through the code page layer, split into lines,
// each line parsed. Every pair read must come back unchanged through the line the window would
// save for it, and nothing shown for a code may hold a control character.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "catalog/reason_texts.h"
#include "pairs/code_check.h"
#include "pairs/pair_file_text.h"
#include "pairs/pair_line.h"
#include "platform/iconv/iconv_code_page_932.h"

namespace {

void fail(const char* what, std::string_view line) {
  std::fprintf(stderr, "pair_file_fuzz: %s: %s\n", what, norvel::controlCharsEscaped(line).c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const norvel::IconvCodePage932 code_page;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const norvel::PairFileText file = norvel::decodePairFile(bytes, code_page);
  for (const norvel::PairFileLine& line : norvel::splitPairFileLines(file.text)) {
    if (line.text.find_first_of("\r\n") != std::string_view::npos) fail("line end kept", line.text);
    const norvel::PairCodes pair = norvel::parsePairLine(line.text);
    const std::string written = norvel::formatPairLine(pair.old_code, pair.new_code);
    const norvel::PairCodes back = norvel::parsePairLine(written);
    if (back.old_code != pair.old_code || back.new_code != pair.new_code) {
      fail("pair changed by a save and a load", written);
    }
    for (const std::string& code : {pair.old_code, pair.new_code}) {
      if (const auto problem = norvel::codeProblemOf(code)) {
        for (const auto language : {norvel::Language::japanese, norvel::Language::english}) {
          const std::string reason =
              norvel::failureReasonText(norvel::reasonOfCode(*problem, code), language);
          if (norvel::hasControlChar(reason)) fail("control character in a message", reason);
        }
      }
    }
  }
  return 0;
}
