#pragma once

#include <string>
#include <string_view>

namespace norvel {

// Case of the ASCII letters only: names, keywords and file endings compare this way, and no
// locale's rules may touch the bytes of a UTF-8 character.
constexpr char asciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
constexpr char asciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string asciiLowercase(std::string_view text);
std::string asciiUppercase(std::string_view text);
bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);

}  // namespace norvel
