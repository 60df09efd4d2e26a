#include "platform/iconv/iconv_handle.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

namespace norvel {

IconvHandle::IconvHandle(const char* to_code, const char* from_code)
    : descriptor_(iconv_open(to_code, from_code)) {
  if (descriptor_ == reinterpret_cast<iconv_t>(-1)) {
    throw std::runtime_error(std::string("iconv ") + from_code + " to " + to_code + ": " +
                             std::strerror(errno));
  }
}

IconvHandle::~IconvHandle() {
  iconv_close(descriptor_);
}

void IconvHandle::reset() {
  iconv(descriptor_, nullptr, nullptr, nullptr, nullptr);
}

std::size_t IconvHandle::convert(char** in, std::size_t* in_left, char** out,
                                 std::size_t* out_left) {
  return iconv(descriptor_, in, in_left, out, out_left);
}

}  // namespace norvel
