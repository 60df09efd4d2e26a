#pragma once

#include <string>
#include <string_view>

#include "platform/code_page.h"

namespace norvel {

// Code page 932 through Windows' own table (MultiByteToWideChar / WideCharToMultiByte), one
// character at a time so that what cannot be converted is replaced exactly as the iconv layer
// does on Linux: one '?' per character the code page lacks (a non-BMP one too, though it is
// two UTF-16 units), U+FFFD per invalid byte sequence. The single bytes 0x80, 0xA0 and
// 0xFD..0xFF, which Windows maps to private-use characters and Microsoft's published table
// leaves unassigned, count as invalid here as they do there; the nine JIS forms glibc writes
// as their Microsoft twins (〜 as ～, ¥ as 0x5C, …) are written so here too.
class Win32CodePage932 : public CodePage932 {
 public:
  std::string encode(std::string_view utf8) const override;
  std::string decode(std::string_view cp932) const override;
};

}  // namespace norvel
