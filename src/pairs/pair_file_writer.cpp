#include "pairs/pair_file_writer.h"

namespace norvel {

std::string encodePairFile(const std::vector<PairCodes>& pairs, const CodePage932& code_page) {
  std::string text;
  for (const PairCodes& pair : pairs) {
    text += formatPairLine(pair.old_code, pair.new_code);
    text += "\r\n";
  }
  return code_page.encode(text);
}

}  // namespace norvel
