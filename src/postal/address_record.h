#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

namespace norvel::postal {

// Bad input: not a Japan Post file, unreadable text, a malformed record. The text says what
// and where, without the file's name (the caller knows it).
class PostalInputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One address of Japan Post's list, as published (UTF-8), after long town names that the
// code page 932 edition splits over several lines were joined again.
struct AddressRecord {
  std::string code;  // 7 digits
  std::string prefecture;
  std::string city;
  std::string town;
};

enum class TextEncoding { utf8, cp932 };

struct Snapshot {
  std::vector<AddressRecord> records;
  TextEncoding encoding = TextEncoding::utf8;
  std::size_t lines = 0;  // record lines read, before joining
};

}  // namespace norvel::postal
