#include "pairs/pair_line.h"

#include <optional>
#include <vector>

#include "text/utf8.h"

namespace norvel {
namespace {

constexpr std::string_view kDelimiter = ",";
constexpr std::string_view kQuotes[] = {"\t", "'", "\""};

bool isQuoteChar(std::string_view c) {
  for (auto q : kQuotes) {
    if (c == q) return true;
  }
  return false;
}

std::string_view firstChar(std::string_view text) {
  if (text.empty()) return {};
  return text.substr(0, utf8::next(text, 0));
}

std::string_view lastChar(std::string_view text) {
  if (text.empty()) return {};
  std::size_t start = text.size() - 1;
  while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) --start;
  return text.substr(start);
}

bool endsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// Fields of a line in which every field is enclosed in quote and a doubled quote stands for
// one; nullopt when the line is not of that form.
std::optional<std::vector<std::string>> strictQuotedFields(std::string_view line,
                                                           std::string_view quote) {
  std::vector<std::string> fields;
  std::size_t i = 0;
  while (true) {
    if (line.substr(i, quote.size()) != quote) return std::nullopt;
    i += quote.size();
    std::string value;
    while (true) {
      if (i >= line.size()) return std::nullopt;
      if (line.substr(i, quote.size()) == quote) {
        if (line.substr(i + quote.size(), quote.size()) == quote) {
          value.append(quote);
          i += 2 * quote.size();
          continue;
        }
        i += quote.size();
        break;
      }
      value.push_back(line[i++]);
    }
    fields.push_back(std::move(value));
    if (i == line.size()) return fields;
    if (line.substr(i, kDelimiter.size()) != kDelimiter) return std::nullopt;
    i += kDelimiter.size();
  }
}

}  // namespace

std::string CutToken(std::string& text, std::string_view delimiters, bool remove) {
  std::size_t cut = std::string::npos;
  std::size_t delimiter_length = 0;
  for (std::size_t d = 0; d < delimiters.size(); d = utf8::next(delimiters, d)) {
    const std::string_view delimiter = delimiters.substr(d, utf8::next(delimiters, d) - d);
    const std::size_t found = text.find(delimiter);
    if (found != std::string::npos) {
      cut = found;
      delimiter_length = delimiter.size();
      break;
    }
  }
  if (cut == std::string::npos) {
    std::string token = text;
    if (remove) text.clear();
    return token;
  }
  std::string token = text.substr(0, cut);
  if (remove) text.erase(0, cut + delimiter_length);
  return token;
}

std::string DoubleQuoteChars(std::string_view text, std::string_view quote) {
  if (quote.empty()) return std::string(text);
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    if (text.substr(i, quote.size()) == quote) {
      out.append(quote);
      out.append(quote);
      i += quote.size();
    } else {
      out.push_back(text[i++]);
    }
  }
  return out;
}

std::string DetectQuoteChar(std::string_view line, std::string_view delimiter) {
  const std::string_view f = firstChar(line);
  if (line.empty() || lastChar(line) != f || !isQuoteChar(f)) return {};
  std::string_view rest = line.substr(f.size());
  while (true) {
    const std::size_t p = rest.find(f);
    if (p == std::string_view::npos) return std::string(f);
    const std::string_view after = rest.substr(p + f.size());
    const std::string_view n = firstChar(after);
    if (!n.empty() && n != delimiter) return {};
    rest = n.empty() ? std::string_view() : after.substr(n.size());
    if (!rest.empty() && firstChar(rest) != f) return {};
    if (!rest.empty()) rest.remove_prefix(f.size());
  }
}

std::string ReadCsvField(std::string& line, std::string_view delimiter, std::string_view quote,
                         bool remove) {
  std::string token = CutToken(line, delimiter, remove);
  if (quote.empty()) return token;
  std::string value;
  const bool opens = token.substr(0, quote.size()) == quote;
  if (opens && (!endsWith(token, quote) || token == quote)) {
    value = token + std::string(delimiter);
    std::string piece;
    const std::size_t q = line.find(quote);
    if (q != std::string::npos) {
      piece = line.substr(0, q + quote.size());
      line.erase(0, q + quote.size());
      if (line.substr(0, delimiter.size()) == delimiter) line.erase(0, delimiter.size());
    }
    value += piece;
  } else {
    value = token;
  }
  if (utf8::length(value) >= 2 && value.substr(0, quote.size()) == quote &&
      endsWith(value, quote)) {
    value = value.substr(quote.size(), value.size() - 2 * quote.size());
  }
  return value;
}

std::string ChooseQuoteChar(std::string_view text) {
  if (text.find('"') == std::string_view::npos) return "\"";
  if (text.find('\'') == std::string_view::npos) return "'";
  return "\t";
}

PairCodes parsePairLine(std::string_view line) {
  const std::string_view f = firstChar(line);
  if (isQuoteChar(f) && line.size() >= 2 * f.size() && lastChar(line) == f) {
    if (auto fields = strictQuotedFields(line, f)) {
      PairCodes pair;
      pair.old_code = (*fields)[0];
      if (fields->size() > 1) pair.new_code = (*fields)[1];
      return pair;
    }
  }
  std::string rest(line);
  const std::string quote = DetectQuoteChar(rest, kDelimiter);
  PairCodes pair;
  pair.old_code = ReadCsvField(rest, kDelimiter, quote, true);
  pair.new_code = ReadCsvField(rest, kDelimiter, quote, true);
  return pair;
}

std::string formatPairLine(std::string_view old_code, std::string_view new_code) {
  std::string both = std::string(old_code) + std::string(new_code);
  std::string plain = std::string(old_code) + "," + std::string(new_code);
  // A plain line that begins and ends with the same quote character would read back as quoted.
  const bool misread = isQuoteChar(firstChar(plain)) && lastChar(plain) == firstChar(plain);
  if (both.find(',') == std::string::npos && !misread) return plain;
  const std::string q = ChooseQuoteChar(both);
  return q + DoubleQuoteChars(old_code, q) + q + "," + q + DoubleQuoteChars(new_code, q) + q;
}

std::string pairDisplayLine(std::string_view old_code, std::string_view new_code) {
  return std::string(old_code) + " -> " + std::string(new_code);
}

}  // namespace norvel
