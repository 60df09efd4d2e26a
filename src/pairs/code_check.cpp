#include "pairs/code_check.h"

namespace norvel {
namespace {

constexpr std::string_view kReplacementChar = "\xEF\xBF\xBD";  // U+FFFD

}  // namespace

bool isControlChar(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte == 0x7F;
}

bool hasControlChar(std::string_view code) {
  for (const char c : code) {
    if (isControlChar(c)) return true;
  }
  return false;
}

std::string controlCharsEscaped(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (!isControlChar(c)) {
      out.push_back(c);
      continue;
    }
    switch (c) {
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      default: {
        const auto byte = static_cast<unsigned char>(c);
        out += "\\x";
        out.push_back(kHex[byte >> 4]);
        out.push_back(kHex[byte & 0x0F]);
      }
    }
  }
  return out;
}

std::optional<CodeProblem> codeProblemOf(std::string_view code) {
  if (code.find(kReplacementChar) != std::string_view::npos) return CodeProblem::undecodableBytes;
  if (hasControlChar(code)) return CodeProblem::controlChar;
  return std::nullopt;
}

}  // namespace norvel
