#include "engine/code_forms.h"

#include <algorithm>
#include <optional>

#include "text/utf8.h"

namespace norvel {
namespace {

constexpr char32_t kFullWidthZero = U'０';

bool isHyphen(char32_t c) {
  // The hyphen, the full-width hyphen-minus, the minus sign and the long vowel mark that
  // Japanese input methods give for "-".
  return c == U'-' || c == U'－' || c == U'‐' || c == U'−' || c == U'ー';
}

std::string fullWidth(std::string_view digits) {
  std::string out;
  for (const char digit : digits) utf8::append(out, kFullWidthZero + (digit - '0'));
  return out;
}

}  // namespace

std::optional<std::string> digitsOfCode(std::string_view code) {
  std::string digits;
  std::size_t hyphen_at = std::string_view::npos;
  std::size_t offset = 0;
  while (offset < code.size()) {
    const utf8::Decoded decoded = utf8::decode(code.substr(offset));
    if (decoded.length == 0) return std::nullopt;
    const char32_t c = decoded.code_point;
    if (c >= U'0' && c <= U'9') {
      digits += static_cast<char>(c);
    } else if (c >= kFullWidthZero && c <= kFullWidthZero + 9) {
      digits += static_cast<char>('0' + (c - kFullWidthZero));
    } else if (isHyphen(c) && hyphen_at == std::string_view::npos && digits.size() == 3) {
      hyphen_at = digits.size();
    } else {
      return std::nullopt;
    }
    offset += decoded.length;
  }
  if (digits.size() != 7) return std::nullopt;
  return digits;
}

std::vector<std::string> otherFormsOfCode(std::string_view code) {
  const std::optional<std::string> digits = digitsOfCode(code);
  if (!digits) return {};
  const std::string head = digits->substr(0, 3);
  const std::string tail = digits->substr(3);
  const std::string forms[] = {
      *digits,
      head + "-" + tail,
      fullWidth(*digits),
      fullWidth(head) + "－" + fullWidth(tail),
  };
  std::vector<std::string> others;
  for (const std::string& form : forms) {
    if (form != code && std::find(others.begin(), others.end(), form) == others.end()) {
      others.push_back(form);
    }
  }
  return others;
}

}  // namespace norvel
