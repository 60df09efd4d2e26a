#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace norvel::xls {

// Little-endian fields of the binary formats; the caller has checked the bounds.
inline std::uint16_t get16(std::string_view data, std::size_t offset) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(data[offset]) |
                                    static_cast<unsigned char>(data[offset + 1]) << 8);
}

inline std::uint32_t get32(std::string_view data, std::size_t offset) {
  return std::uint32_t{get16(data, offset)} | std::uint32_t{get16(data, offset + 2)} << 16;
}

inline std::uint64_t get64(std::string_view data, std::size_t offset) {
  return std::uint64_t{get32(data, offset)} | std::uint64_t{get32(data, offset + 4)} << 32;
}

inline double getDouble(std::string_view data, std::size_t offset) {
  const std::uint64_t bits = get64(data, offset);
  double value = 0;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

inline void put16(std::string& data, std::size_t offset, std::uint32_t value) {
  data[offset] = static_cast<char>(value & 0xFF);
  data[offset + 1] = static_cast<char>((value >> 8) & 0xFF);
}

inline void put32(std::string& data, std::size_t offset, std::uint32_t value) {
  put16(data, offset, value & 0xFFFF);
  put16(data, offset + 2, value >> 16);
}

inline void put64(std::string& data, std::size_t offset, std::uint64_t value) {
  put32(data, offset, static_cast<std::uint32_t>(value));
  put32(data, offset + 4, static_cast<std::uint32_t>(value >> 32));
}

inline void putDouble(std::string& data, std::size_t offset, double value) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  put64(data, offset, bits);
}

}  // namespace norvel::xls
