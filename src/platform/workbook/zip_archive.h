#pragma once

#include <optional>
#include <string>
#include <string_view>

struct zip;
struct zip_source;

namespace norvel::xlsx {

// A zip archive held in memory. Changes are made in place, so on commitToBytes libzip copies
// every entry that was not replaced as its original compressed bytes.
class ZipArchive {
 public:
  // Works on a copy of bytes. Throws DatabaseError with libzip's text.
  explicit ZipArchive(const std::string& bytes);
  ~ZipArchive();
  ZipArchive(const ZipArchive&) = delete;
  ZipArchive& operator=(const ZipArchive&) = delete;

  // Entry names are looked up without regard to case, as package part names compare.
  bool contains(std::string_view name) const;
  std::optional<std::string> readIfPresent(std::string_view name) const;
  // Throws DatabaseError when the entry is missing or cannot be inflated.
  std::string read(std::string_view name) const;

  void replace(std::string_view name, std::string_view data);
  void remove(std::string_view name);

  // Writes the archive with its changes and returns its bytes; the archive is closed then.
  std::string commitToBytes();

 private:
  long long locate(std::string_view name) const;
  [[noreturn]] void fail(const std::string& what) const;

  zip_source* source_ = nullptr;
  zip* archive_ = nullptr;
};

}  // namespace norvel::xlsx
