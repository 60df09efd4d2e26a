#pragma once

#include <string_view>

#include "platform/code_page.h"
#include "postal/address_record.h"

namespace norvel::postal {

// Japan Post's address list (KEN_ALL.CSV in code page 932, utf_ken_all.csv in UTF-8, or one of
// their monthly add/del files), told apart by all of its bytes: UTF-8 when they are well-formed
// UTF-8 (a byte order mark is allowed), else code page 932. A file that is UTF-8 up to its first
// bad byte and whose first line does not read as the code page 932 edition (its readings in
// half-width kana) is a damaged UTF-8 file. Every line must be a record of 15 fields with the
// 7-digit code third. Records that continue a town name whose parenthesis is still open (the
// code page 932 edition splits long names) are joined to the record before.
// Throws PostalInputError.
Snapshot readSnapshot(std::string_view bytes, const CodePage932& code_page);

}  // namespace norvel::postal
