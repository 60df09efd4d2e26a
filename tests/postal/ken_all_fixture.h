#pragma once

#include <string>
#include <vector>

#include "platform/code_page.h"
#include "postal/address_record.h"

namespace norvel::postal::test {

// The addresses of data/postal/jp-postal-2022.csv (code, prefecture, and city and town in
// one column) with city and town told apart: the city is the longest beginning of the column
// that ends in 市, 区, 町 or 村 and that the file lists on its own under a code ending in "00"
// (the municipality's 以下に掲載がない場合 line); where there is none, the text up to the first
// 市, 区, 町 or 村 (after a 郡). A column that is a city alone gets the town
// 以下に掲載がない場合, as Japan Post writes it.
std::vector<AddressRecord> readJpPostal2022(const std::string& path);

// The list in utf_ken_all.csv's form: UTF-8, one record per line, 15 columns, CR LF.
std::string utfKenAll(const std::vector<AddressRecord>& records);

// The list in KEN_ALL.CSV's form: code page 932, CR LF, and parenthesised town names longer
// than split_at characters continued on further lines (Japan Post splits at 38; a smaller
// value makes more records exercise the joining).
std::string kenAllCp932(const std::vector<AddressRecord>& records, const CodePage932& code_page,
                        std::size_t split_at = 38);

// The first lines of Japan Post's list in UTF-8, CR LF: its real first record (0600000, 北海道
// 札幌市中央区 以下に掲載がない場合, with its JIS code and half-width kana readings), then the next
// count - 1 addresses of 札幌市中央区 among records, with the real readings of prefecture and city
// (the towns' readings are not in the source: ｼﾞｭｳｼｮ). utf_ken_all.csv starts with these bytes,
// KEN_ALL.CSV with them in code page 932 (no town among them is long enough to be split).
std::string kenAllFirstLines(const std::vector<AddressRecord>& records, std::size_t count);

}  // namespace norvel::postal::test
