#include "xls/biff_records.h"

#include <algorithm>
#include <cstring>

#include "xls/little_endian.h"

namespace norvel::xls {

std::vector<Record> splitRecords(std::string_view stream) {
  std::vector<Record> records;
  std::size_t offset = 0;
  while (offset + 4 <= stream.size()) {
    const std::size_t size = get16(stream, offset + 2);
    if (offset + 4 + size > stream.size()) break;
    records.push_back({get16(stream, offset), offset, stream.substr(offset + 4, size)});
    offset += 4 + size;
  }
  return records;
}

std::optional<std::size_t> recordAt(const std::vector<Record>& records, std::size_t offset) {
  const auto found = std::lower_bound(
      records.begin(), records.end(), offset,
      [](const Record& record, std::size_t value) { return record.offset < value; });
  if (found == records.end() || found->offset != offset) return std::nullopt;
  return static_cast<std::size_t>(found - records.begin());
}

double rkValue(std::uint32_t rk) {
  double value = 0;
  if ((rk & 2) != 0) {
    value = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
  } else {
    const std::uint64_t bits = std::uint64_t{rk & 0xFFFFFFFCu} << 32;
    std::memcpy(&value, &bits, sizeof value);
  }
  return (rk & 1) != 0 ? value / 100 : value;
}

}  // namespace norvel::xls
