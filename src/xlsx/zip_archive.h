#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct zip;
struct zip_source;

namespace norvel::xlsx {

// How far one part may inflate. The XML of real worksheets, as Excel and openpyxl write it,
// deflates 5 to 11 times; a deflate bomb about 1000 times. 1 GiB holds a worksheet of all
// 1,048,576 rows with about 25 filled cells each (about 40 bytes of XML a cell).
struct InflateLimits {
  std::uint64_t max_size = std::uint64_t{1} << 30;
  std::uint64_t max_ratio = 100;
  // Below this size any ratio is accepted: small parts of repeated markup cost little.
  std::uint64_t ratio_exempt_size = std::uint64_t{16} << 20;
};

// A zip archive held in memory. Changes are made in place, so on commitToBytes libzip copies
// every entry that was not replaced as its original compressed bytes.
class ZipArchive {
 public:
  // Works on a copy of bytes. Throws DatabaseError with libzip's text.
  explicit ZipArchive(const std::string& bytes, InflateLimits limits = {});
  ~ZipArchive();
  ZipArchive(const ZipArchive&) = delete;
  ZipArchive& operator=(const ZipArchive&) = delete;

  // Entry names are looked up without regard to case, as package part names compare.
  bool contains(std::string_view name) const;
  std::optional<std::string> readIfPresent(std::string_view name) const;
  // Throws DatabaseError when the entry is missing, cannot be inflated or inflates beyond the
  // limits.
  std::string read(std::string_view name) const;

  void replace(std::string_view name, std::string_view data);
  void remove(std::string_view name);

  // Writes the archive with its changes and returns its bytes; the archive is closed then.
  std::string commitToBytes();

 private:
  long long locate(std::string_view name) const;
  void checkInflatedSize(const std::string& entry, std::uint64_t size,
                         std::uint64_t compressed_size) const;
  [[noreturn]] void fail(const std::string& what) const;

  InflateLimits limits_;
  zip_source* source_ = nullptr;
  zip* archive_ = nullptr;
};

}  // namespace norvel::xlsx
