#pragma once

#include <iconv.h>

#include <cstddef>

namespace norvel {

// Owns one iconv conversion descriptor.
class IconvHandle {
 public:
  // Throws std::runtime_error with the system's text when the conversion is not available.
  IconvHandle(const char* to_code, const char* from_code);
  ~IconvHandle();

  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;

  // Back to the initial state, dropping whatever a rejected sequence left behind.
  void reset();

  // One iconv() call: advances the pointers, returns (size_t)-1 with errno set at a sequence
  // it cannot convert.
  std::size_t convert(char** in, std::size_t* in_left, char** out, std::size_t* out_left);

 private:
  iconv_t descriptor_;
};

}  // namespace norvel
