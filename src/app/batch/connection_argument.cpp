#include "app/batch/connection_argument.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "app/batch/batch_text.h"
#include "platform/connection_string_parser.h"

namespace norvel::batch {
namespace {

// One line is the string; a file's or a here-document's line end is not part of it.
std::string firstLine(std::string text) {
  const std::size_t end = text.find_first_of("\r\n");
  if (end != std::string::npos) text.erase(end);
  return text;
}

// Braces keep a password with ';', '=' or blanks one value; "}" is doubled inside them.
std::string passwordEntry(const std::string& password) {
  std::string entry = "Pwd={";
  for (const char c : password) {
    entry += c;
    if (c == '}') entry += '}';
  }
  return entry + "};";
}

}  // namespace

std::optional<std::string> resolveConnectionArgument(const std::string& argument,
                                                     std::istream& standard_input,
                                                     const char* environment_password,
                                                     std::string& error) {
  std::string text;
  if (argument == "-") {
    text = firstLine(std::string(std::istreambuf_iterator<char>(standard_input), {}));
    if (text.empty()) {
      error = tr("--connect -: standard input holds no connection string");
      return std::nullopt;
    }
  } else if (!argument.empty() && argument.front() == '@') {
    const std::string path = argument.substr(1);
    std::ifstream file(path, std::ios::binary);
    if (!file) {
      error = "--connect @" + path + ": " + std::strerror(errno);
      return std::nullopt;
    }
    text = firstLine(std::string(std::istreambuf_iterator<char>(file), {}));
    if (text.empty()) {
      error = tr("--connect @{1}: the file holds no connection string", {path});
      return std::nullopt;
    }
  } else {
    text = argument;
  }

  if (environment_password != nullptr && *environment_password != '\0') {
    const auto pairs = parseConnectionString(text);
    if (!connectionStringValue(pairs, "Pwd") && !connectionStringValue(pairs, "Password")) {
      if (!text.empty() && text.back() != ';') text += ';';
      text += passwordEntry(environment_password);
    }
  }
  return text;
}

}  // namespace norvel::batch
