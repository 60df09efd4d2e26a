#pragma once

#include <mutex>
#include <string>
#include <string_view>

#include "platform/code_page.h"
#include "platform/iconv/iconv_handle.h"

namespace norvel {

// Code page 932 through glibc's "CP932" table, which is Microsoft's mapping (0x8160 is U+FF5E,
// the NEC and IBM extensions included). Each call converts the whole buffer at once.
class IconvCodePage932 : public CodePage932 {
 public:
  // Throws std::runtime_error when the C library has no CP932 conversion.
  IconvCodePage932();

  std::string encode(std::string_view utf8) const override;
  std::string decode(std::string_view cp932) const override;

 private:
  // iconv descriptors carry state between calls; the lock keeps the const interface safe.
  mutable std::mutex mutex_;
  mutable IconvHandle to_cp932_;
  mutable IconvHandle to_utf8_;
};

}  // namespace norvel
