#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

struct zip;
struct zip_file;

namespace norvel::ziparchive {

// How far one entry may inflate. The XML of real worksheets, as Excel and openpyxl write it,
// deflates 5 to 11 times; a deflate bomb about 1000 times. 1 GiB holds a worksheet of all
// 1,048,576 rows with about 25 filled cells each (about 40 bytes of XML a cell).
struct InflateLimits {
  std::uint64_t max_size = std::uint64_t{1} << 30;
  // 0: any ratio; the compressed size then need not be recorded either.
  std::uint64_t max_ratio = 100;
  // Below this size any ratio is accepted: small parts of repeated markup cost little.
  std::uint64_t ratio_exempt_size = std::uint64_t{16} << 20;
};

// Why an entry could not be read; each caller says it in its own words and language.
enum class ZipFault {
  kLibrary,            // libzip's own text is the description
  kSizeUnknown,        // the size (or, under a ratio limit, the compressed size) is not recorded
  kTooLarge,           // beyond InflateLimits::max_size
  kTooCompressed,      // beyond InflateLimits::max_ratio
  kLongerThanStated,   // inflates to more than its recorded size
  kShorterThanStated,  // ends before its recorded size
};

class ZipReadError : public std::runtime_error {
 public:
  // what() is libzip's text for kLibrary, empty otherwise.
  ZipReadError(ZipFault fault, std::string entry, const std::string& library_text,
               std::uint64_t size = 0, std::uint64_t compressed_size = 0);

  ZipFault fault() const { return fault_; }
  const std::string& entry() const { return entry_; }
  std::uint64_t size() const { return size_; }
  std::uint64_t compressedSize() const { return compressed_size_; }

 private:
  ZipFault fault_;
  std::string entry_;
  std::uint64_t size_;
  std::uint64_t compressed_size_;
};

// One entry inflated piece by piece, so that a large one is never held whole. Its archive
// must outlive it.
class EntryReader {
 public:
  ~EntryReader();
  EntryReader(const EntryReader&) = delete;
  EntryReader& operator=(const EntryReader&) = delete;

  // Up to capacity bytes; 0 once the entry is read to its stated end and its checksum
  // compared. Throws ZipReadError.
  std::size_t read(char* data, std::size_t capacity);
  std::uint64_t size() const { return size_; }
  const std::string& entry() const { return entry_; }

 private:
  friend std::unique_ptr<EntryReader> openEntry(::zip* archive, std::uint64_t index,
                                                std::string entry, const InflateLimits& limits);
  EntryReader(std::string entry, zip_file* file, std::uint64_t size);

  std::string entry_;
  zip_file* file_;
  std::uint64_t size_;
  std::uint64_t done_ = 0;
  bool finished_ = false;
};

// Entry `index` of an open archive, named `entry` in errors, after its recorded sizes are
// checked against the limits. Throws ZipReadError.
std::unique_ptr<EntryReader> openEntry(::zip* archive, std::uint64_t index, std::string entry,
                                       const InflateLimits& limits);

// The whole entry of a reader not read from yet, checksum compared. Throws ZipReadError.
std::string readToEnd(EntryReader& reader);

}  // namespace norvel::ziparchive
