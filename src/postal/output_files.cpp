#include "postal/output_files.h"

#include <map>
#include <set>

#include "pairs/pair_file_writer.h"
#include "postal/csv_fields.h"

namespace norvel::postal {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kLineEnd = "\r\n";

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// Every run of exactly seven digits in the text (the codes in lists and notes) hyphenated.
std::string hyphenatedCodes(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    std::size_t end = i;
    while (end < text.size() && isDigit(text[end])) ++end;
    if (end == i) {
      out.push_back(text[i++]);
      continue;
    }
    const std::string run(text.substr(i, end - i));
    out += hyphenated(run);
    i = end;
  }
  return out;
}

}  // namespace

std::string hyphenated(const std::string& code) {
  if (code.size() != 7) return code;
  return code.substr(0, 3) + "-" + code.substr(3);
}

std::string pairListBytes(const std::vector<CodePair>& pairs, bool hyphen,
                          const CodePage932& code_page) {
  std::vector<PairCodes> lines;
  lines.reserve(pairs.size());
  for (const CodePair& pair : pairs) {
    lines.push_back(hyphen ? PairCodes{hyphenated(pair.old_code), hyphenated(pair.new_code)}
                           : PairCodes{pair.old_code, pair.new_code});
  }
  return encodePairFile(lines, code_page);
}

std::string reportBytes(const std::vector<Finding>& findings, bool hyphen) {
  std::string out(kByteOrderMark);
  out += "reason,old code,new code,prefecture,old address,new address,note";
  out += kLineEnd;
  for (const Finding& f : findings) {
    const std::string old_code = hyphen ? hyphenated(f.old_code) : f.old_code;
    const std::string new_codes = hyphen ? hyphenatedCodes(f.new_codes) : f.new_codes;
    const std::string note = hyphen ? hyphenatedCodes(f.note) : f.note;
    bool first = true;
    for (const std::string_view field :
         {std::string_view(reasonLabel(f.reason)), std::string_view(old_code),
          std::string_view(new_codes), std::string_view(f.prefecture),
          std::string_view(f.old_address), std::string_view(f.new_address),
          std::string_view(note)}) {
      if (!first) out += ',';
      first = false;
      out += quoteCsvField(field);
    }
    out += kLineEnd;
  }
  return out;
}

std::vector<std::pair<Reason, std::size_t>> codesPerReason(const std::vector<Finding>& findings) {
  std::map<Reason, std::set<std::string>> codes;
  for (const Finding& f : findings) codes[f.reason].insert(f.old_code);
  std::vector<std::pair<Reason, std::size_t>> counts;
  for (Reason reason : kReasons) {
    const auto at = codes.find(reason);
    if (at != codes.end()) counts.emplace_back(reason, at->second.size());
  }
  return counts;
}

}  // namespace norvel::postal
