#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace norvel::xls {

// Record types of BIFF8 that the workbook engine reads or writes.
namespace biff {
inline constexpr std::uint16_t kBof = 0x0809;
inline constexpr std::uint16_t kBof2 = 0x0009;
inline constexpr std::uint16_t kBof3 = 0x0209;
inline constexpr std::uint16_t kBof4 = 0x0409;
inline constexpr std::uint16_t kEof = 0x000A;
inline constexpr std::uint16_t kFilePass = 0x002F;
inline constexpr std::uint16_t kBoundSheet = 0x0085;
inline constexpr std::uint16_t kSst = 0x00FC;
inline constexpr std::uint16_t kExtSst = 0x00FF;
inline constexpr std::uint16_t kContinue = 0x003C;
inline constexpr std::uint16_t kFormat = 0x041E;
inline constexpr std::uint16_t kXf = 0x00E0;
inline constexpr std::uint16_t kIndex = 0x020B;
inline constexpr std::uint16_t kDbCell = 0x00D7;
inline constexpr std::uint16_t kRow = 0x0208;
inline constexpr std::uint16_t kLabelSst = 0x00FD;
inline constexpr std::uint16_t kLabel = 0x0204;
inline constexpr std::uint16_t kRString = 0x00D6;
inline constexpr std::uint16_t kNumber = 0x0203;
inline constexpr std::uint16_t kRk = 0x027E;
inline constexpr std::uint16_t kMulRk = 0x00BD;
inline constexpr std::uint16_t kBoolErr = 0x0205;
inline constexpr std::uint16_t kBlank = 0x0201;
inline constexpr std::uint16_t kMulBlank = 0x00BE;
inline constexpr std::uint16_t kFormula = 0x0006;
inline constexpr std::uint16_t kString = 0x0207;
inline constexpr std::uint16_t kArray = 0x0221;
inline constexpr std::uint16_t kTable = 0x0236;
inline constexpr std::uint16_t kSharedFormula = 0x04BC;

inline constexpr std::uint16_t kBiff8 = 0x0600;
inline constexpr std::uint16_t kGlobals = 0x0005;
inline constexpr std::uint16_t kWorksheet = 0x0010;
inline constexpr std::size_t kMaxData = 8224;
inline constexpr std::uint32_t kMaxRows = 65536;
inline constexpr std::uint32_t kMaxColumns = 256;
}  // namespace biff

struct Record {
  std::uint16_t type = 0;
  std::size_t offset = 0;  // of the header in the stream
  std::string_view data;
  std::size_t end() const { return offset + 4 + data.size(); }
};

// The records of a stream one after another from its start, as far as they go whole; what
// follows (padding) is left to the caller.
std::vector<Record> splitRecords(std::string_view stream);

// The index of the record that starts at offset.
std::optional<std::size_t> recordAt(const std::vector<Record>& records, std::size_t offset);

// An RK value: a number packed in 30 bits.
double rkValue(std::uint32_t rk);

}  // namespace norvel::xls
