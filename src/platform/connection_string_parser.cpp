#include "platform/connection_string_parser.h"
#include "text/ascii_case.h"

#include <algorithm>

namespace norvel {
namespace {

constexpr std::string_view kBlanks = " \t\r\n";

std::string_view trim(std::string_view text) {
  const auto first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

char closingOf(char enclosure) {
  return enclosure == '{' ? '}' : enclosure;
}

// Reads an enclosed value starting at text[pos] (the opening character); returns the value
// and moves pos past the closing character.
std::string readEnclosed(std::string_view text, std::size_t& pos) {
  const char close = closingOf(text[pos]);
  std::string value;
  ++pos;
  while (pos < text.size()) {
    const char c = text[pos++];
    if (c != close) {
      value += c;
    } else if (pos < text.size() && text[pos] == close) {
      value += close;
      ++pos;
    } else {
      break;
    }
  }
  return value;
}

}  // namespace

std::vector<ConnectionStringPair> parseConnectionString(std::string_view text) {
  std::vector<ConnectionStringPair> pairs;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t start = pos;
    const std::size_t end_of_key = text.find_first_of("=;", pos);
    ConnectionStringPair pair;
    pair.begin = start;
    if (end_of_key == std::string_view::npos || text[end_of_key] == ';') {
      const std::size_t end = std::min(end_of_key, text.size());
      pair.key = trim(text.substr(start, end - start));
      pos = end == text.size() ? end : end + 1;
      if (!pair.key.empty()) {
        pair.text = text.substr(start, end - start);
        pair.value_begin = pair.end = end;
        pairs.push_back(std::move(pair));
      }
      continue;
    }

    pair.key = trim(text.substr(start, end_of_key - start));
    pos = end_of_key + 1;
    pair.value_begin = pos;
    while (pos < text.size() && kBlanks.find(text[pos]) != std::string_view::npos) ++pos;
    if (pos < text.size() && (text[pos] == '"' || text[pos] == '\'' || text[pos] == '{')) {
      pair.enclosure = text[pos];
      pair.value = readEnclosed(text, pos);
      // Whatever stands between the closing quote and the next ';' is not part of the value.
      pos = std::min(text.find(';', pos), text.size());
    } else {
      const std::size_t end = std::min(text.find(';', pos), text.size());
      pair.value = trim(text.substr(pos, end - pos));
      pos = end;
    }
    pair.text = text.substr(start, pos - start);
    pair.end = pos;
    if (pos < text.size()) ++pos;  // the ';'
    pairs.push_back(std::move(pair));
  }
  return pairs;
}

std::optional<std::string> connectionStringValue(const std::vector<ConnectionStringPair>& pairs,
                                                 std::string_view key) {
  for (auto it = pairs.rbegin(); it != pairs.rend(); ++it) {
    if (equalsIgnoreCase(it->key, key)) return it->value;
  }
  return std::nullopt;
}

std::string encloseValue(std::string_view value, char enclosure) {
  if (enclosure == 0) return std::string(value);
  const char close = closingOf(enclosure);
  std::string text(1, enclosure);
  for (const char c : value) {
    if (c == close) text += close;
    text += c;
  }
  text += close;
  return text;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && startsWithIgnoreCase(a, b);
}

bool startsWithIgnoreCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (asciiLower(text[i]) != asciiLower(prefix[i])) return false;
  }
  return true;
}

bool containsIgnoreCase(std::string_view text, std::string_view part) {
  for (std::size_t i = 0; i + part.size() <= text.size(); ++i) {
    if (startsWithIgnoreCase(text.substr(i), part)) return true;
  }
  return false;
}

}  // namespace norvel
