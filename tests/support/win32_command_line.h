#pragma once

#include <string>

namespace norvel::testing {

// One argument as CommandLineToArgvW and the C runtime split the line again: quoted when it is
// empty or holds a blank or a quote; backslashes doubled only where a quote follows them.
inline std::wstring commandLineArgument(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
  std::wstring text = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    text.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    text += c;
  }
  text.append(2 * backslashes, L'\\');
  return text + L'"';
}

}  // namespace norvel::testing
