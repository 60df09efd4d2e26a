#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace norvel {

// A character below U+0020, or DEL: nothing a postal code is made of, and on a terminal or in an
// SQL text it does harm unseen.
bool isControlChar(char c);
bool hasControlChar(std::string_view code);

// The text with each control character written as \t, \r, \n or \xNN, so that it can be seen.
std::string controlCharsEscaped(std::string_view text);

// Why a code must not reach the data source.
enum class CodeProblem {
  undecodableBytes,  // bytes that were not text in the pair list file (U+FFFD)
  controlChar,
};
// nullopt for a usable code.
std::optional<CodeProblem> codeProblemOf(std::string_view code);

}  // namespace norvel
