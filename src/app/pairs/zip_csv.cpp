#include "app/pairs/zip_csv.h"

#include <cstddef>
#include <utility>
#include <vector>

#include "platform/zip/zip_reader.h"
#include "postal/address_record.h"
#include "text/ascii_case.h"

namespace norvel::pairs_tool {
namespace {

using postal::PostalInputError;
using ziparchive::ZipFault;
using ziparchive::ZipReadError;

// Far beyond the largest list Japan Post publishes (about 18 MB unpacked); a damaged or
// hostile archive would otherwise decide how much memory is taken. A list of one repeated
// line deflates far beyond a workbook's ratio, so there is no limit to that.
constexpr ziparchive::InflateLimits kListLimits{.max_size = std::uint64_t{1} << 30, .max_ratio = 0};

bool endsWithCsv(std::string_view name) {
  if (name.size() < 4) return false;
  return equalsIgnoringAsciiCase(name.substr(name.size() - 4), ".csv");
}

PostalInputError describe(const ZipReadError& error) {
  const std::string& name = error.entry();
  switch (error.fault()) {
    case ZipFault::kLibrary:
      break;
    case ZipFault::kSizeUnknown:
    case ZipFault::kTooLarge:
    case ZipFault::kTooCompressed:
      return PostalInputError(name + ": the entry's size is missing or too large");
    case ZipFault::kShorterThanStated:
      return PostalInputError(name + ": the entry ends before its stated size");
    case ZipFault::kLongerThanStated:
      return PostalInputError(name + ": the entry is longer than its stated size");
  }
  return PostalInputError((name.empty() ? "zip archive" : name) + ": " + error.what());
}

}  // namespace

bool looksLikeZip(std::string_view bytes) {
  return bytes.substr(0, 4) == std::string_view("PK\x03\x04", 4) ||
         bytes.substr(0, 4) == std::string_view("PK\x05\x06", 4);
}

ZipCsv readCsvFromZip(std::string_view archive_bytes) {
  try {
    const ziparchive::ZipReader archive(archive_bytes);
    std::vector<std::pair<std::size_t, std::string>> csv_entries;
    const std::vector<std::string> names = archive.entryNames();
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (endsWithCsv(names[i])) csv_entries.emplace_back(i, names[i]);
    }
    if (csv_entries.empty()) throw PostalInputError("the zip archive holds no .csv file");
    if (csv_entries.size() > 1) {
      std::string list;
      for (const auto& [index, name] : csv_entries) list += (list.empty() ? "" : ", ") + name;
      throw PostalInputError("the zip archive holds several .csv files (" + list +
                             "): unpack the one you mean");
    }
    auto& [index, name] = csv_entries.front();
    std::string bytes = archive.read(index, kListLimits);
    return {std::move(name), std::move(bytes)};
  } catch (const ZipReadError& error) {
    throw describe(error);
  }
}

}  // namespace norvel::pairs_tool
