#pragma once

#include <string>
#include <string_view>

namespace norvel {

// Conversion between the core's UTF-8 text and Microsoft's code page 932 bytes.
class CodePage932 {
 public:
  virtual ~CodePage932() = default;

  // A character that code page 932 cannot represent becomes the single byte '?'.
  virtual std::string encode(std::string_view utf8) const = 0;

  // Bytes that are not valid code page 932 become U+FFFD; decoding never fails.
  virtual std::string decode(std::string_view cp932) const = 0;
};

}  // namespace norvel
