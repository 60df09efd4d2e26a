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

// Why a code must not reach the data source: it holds bytes that were not text in the pair list
// file (U+FFFD) or a control character. nullopt for a usable code.
std::optional<std::string> unusableCodeReason(std::string_view code);

}  // namespace norvel
