#pragma once

#include <string>
#include <vector>

#include "app/sample/postal_csv.h"
#include "pairs/pair_line.h"
#include "platform/code_page.h"

namespace norvel::sample {

// Pairs of real codes from the list: the codes that the most addresses share (ties by code),
// each replaced by the next higher code of the list that is not replaced itself, so that no
// pair undoes or repeats another. Ordered by old code.
std::vector<PairCodes> choosePairs(const PostalCsv& csv, std::size_t count);

// The pair list file as the window writes it: code page 932, CR LF after every line.
std::string pairListBytes(const std::vector<PairCodes>& pairs, const CodePage932& code_page);

}  // namespace norvel::sample
