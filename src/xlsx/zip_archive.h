#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/zip/zip_entry_reader.h"

struct zip;
struct zip_source;

namespace norvel::xlsx {

using InflateLimits = ziparchive::InflateLimits;

// One part inflated piece by piece, so that a large part is never held whole.
class EntryReader {
 public:
  explicit EntryReader(std::unique_ptr<ziparchive::EntryReader> reader, InflateLimits limits);

  // Up to capacity bytes; 0 once the part is read to its stated end. Throws DatabaseError
  // naming the part when it inflates to more or less than its stated size.
  std::size_t read(char* data, std::size_t capacity);
  std::uint64_t size() const { return reader_->size(); }

 private:
  std::unique_ptr<ziparchive::EntryReader> reader_;
  InflateLimits limits_;
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
  [[noreturn]] void fail(const std::string& what) const;
  void keepCompression(long long index);

  struct ProducedPart;

  InflateLimits limits_;
  std::vector<std::unique_ptr<ProducedPart>> produced_;
  zip_source* source_ = nullptr;
  ::zip* archive_ = nullptr;
};

}  // namespace norvel::xlsx
