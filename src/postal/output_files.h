#pragma once

#include <string>
#include <vector>

#include "platform/code_page.h"
#include "postal/code_changes.h"

namespace norvel::postal {

// 9999999 as 999-9999.
std::string hyphenated(const std::string& code);

// The pair list in the window's file format: code page 932, one pair per line, CR LF.
std::string pairListBytes(const std::vector<CodePair>& pairs, bool hyphen,
                          const CodePage932& code_page);

// The review report: UTF-8 with a byte order mark (so a spreadsheet takes it for UTF-8), a
// header line, one line per finding, CR LF.
std::string reportBytes(const std::vector<Finding>& findings, bool hyphen);

// Old codes per reason, for the summary: the reasons that occur, in the report's order.
std::vector<std::pair<Reason, std::size_t>> codesPerReason(const std::vector<Finding>& findings);

}  // namespace norvel::postal
