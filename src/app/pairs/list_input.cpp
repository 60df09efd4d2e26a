#include "app/pairs/list_input.h"

#include "app/pairs/zip_csv.h"
#include "postal/snapshot_reader.h"

namespace norvel::pairs_tool {

std::string groupedNumber(std::size_t n) {
  std::string digits = std::to_string(n);
  for (std::size_t i = digits.size(); i > 3; i -= 3) digits.insert(i - 3, ",");
  return digits;
}

LoadedList loadList(const std::string& path, const FileSystem& files,
                    const CodePage932& code_page) {
  std::string bytes;
  try {
    bytes = files.readFile(path);
  } catch (const FileError& error) {
    throw postal::PostalInputError(error.what());
  }
  LoadedList list;
  std::string entry;
  try {
    if (looksLikeZip(bytes)) {
      ZipCsv csv = readCsvFromZip(bytes);
      entry = csv.name;
      bytes = std::move(csv.bytes);
    }
    list.snapshot = postal::readSnapshot(bytes, code_page);
  } catch (const postal::PostalInputError& error) {
    const std::string where = entry.empty() ? path : path + " (" + entry + ")";
    throw postal::PostalInputError(where + ": " + error.what());
  }
  const postal::Snapshot& s = list.snapshot;
  list.description = path + (entry.empty() ? "" : " (" + entry + ")") + ": " +
                     (s.encoding == postal::TextEncoding::cp932 ? "code page 932" : "UTF-8") +
                     ", " + groupedNumber(s.records.size()) + " addresses";
  if (s.lines != s.records.size()) {
    list.description += " (" + groupedNumber(s.lines) + " lines, long town names joined)";
  }
  return list;
}

}  // namespace norvel::pairs_tool
