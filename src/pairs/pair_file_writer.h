#pragma once

#include <string>
#include <vector>

#include "pairs/pair_line.h"
#include "platform/code_page.h"

namespace norvel {

// The pair list file's bytes: one formatPairLine line per pair, each ended by CR LF, in code
// page 932.
std::string encodePairFile(const std::vector<PairCodes>& pairs, const CodePage932& code_page);

}  // namespace norvel
