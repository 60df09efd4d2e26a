#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct zip;
struct zip_file;
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

// One entry inflated piece by piece, so that a large part is never held whole.
class EntryReader {
 public:
  ~EntryReader();
  EntryReader(const EntryReader&) = delete;
  EntryReader& operator=(const EntryReader&) = delete;

  // Up to capacity bytes; 0 once the entry is read to its stated end. Throws DatabaseError
  // naming the entry when it inflates to more or less than its stated size.
  std::size_t read(char* data, std::size_t capacity);
  std::uint64_t size() const { return size_; }

 private:
  friend class ZipArchive;
  EntryReader(std::string entry, zip_file* file, std::uint64_t size);

  std::string entry_;
  zip_file* file_;
  std::uint64_t size_;
  std::uint64_t done_ = 0;
  bool finished_ = false;
};

// A replacement part made piece by piece while the archive is written.
class PartProducer {
 public:
  virtual ~PartProducer() = default;
  // The exact number of bytes read() yields.
  virtual std::uint64_t size() const = 0;
  // Starts from the first byte; may be called again.
  virtual void start() = 0;
  // Up to capacity bytes; 0 at the end. Throws DatabaseError.
  virtual std::size_t read(char* data, std::size_t capacity) = 0;
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
  // The same, piece by piece.
  std::unique_ptr<EntryReader> open(std::string_view name) const;

  void replace(std::string_view name, std::string_view data);
  // The producer is read when the archive is written, and is kept until then.
  void replace(std::string_view name, std::unique_ptr<PartProducer> producer);
  void remove(std::string_view name);

  // Writes the archive with its changes and returns its bytes; the archive is closed then.
  std::string commitToBytes();

 private:
  long long locate(std::string_view name) const;
  void checkInflatedSize(const std::string& entry, std::uint64_t size,
                         std::uint64_t compressed_size) const;
  [[noreturn]] void fail(const std::string& what) const;
  void keepCompression(long long index);

  struct ProducedPart;

  InflateLimits limits_;
  std::vector<std::unique_ptr<ProducedPart>> produced_;
  zip_source* source_ = nullptr;
  zip* archive_ = nullptr;
};

}  // namespace norvel::xlsx
