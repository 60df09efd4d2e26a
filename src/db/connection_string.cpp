#include "db/connection_string.h"

#include <algorithm>
#include <cctype>

namespace norvel {

std::string TrimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

std::string AccessConnectionString(std::string_view path) {
  return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + std::string(path);
}

std::string OracleConnectionString(std::string_view user, std::string_view password,
                                   std::string_view host) {
  std::string s = "Provider=OraOLEDB.Oracle.1;Persist Security Info=False;";
  s += "User ID=" + TrimBlanks(user) + ";";
  s += "Password =" + TrimBlanks(password) + ";";
  s += "Data Source=" + TrimBlanks(host) + ";";
  return s;
}

std::string ExcelConnectionString(std::string_view path, int header_check_value) {
  std::string s = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + std::string(path) + ";";
  s += "Extended Properties=\"Excel 8.0;";
  if (header_check_value != 1) s += "HDR=No;";
  s += "\"";
  return s;
}

std::string MaskPasswords(std::string_view connection_string) {
  std::string out;
  std::size_t i = 0;
  while (i < connection_string.size()) {
    const std::size_t eq = connection_string.find('=', i);
    if (eq == std::string_view::npos) {
      out.append(connection_string.substr(i));
      break;
    }
    std::string key(connection_string.substr(i, eq - i));
    std::string normal = TrimBlanks(key);
    std::transform(normal.begin(), normal.end(), normal.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    // The value runs to the next ';', or past a quoted or braced part.
    std::size_t end = eq + 1;
    while (end < connection_string.size() && connection_string[end] == ' ') ++end;
    if (end < connection_string.size() &&
        (connection_string[end] == '"' || connection_string[end] == '{')) {
      const char close = connection_string[end] == '"' ? '"' : '}';
      const std::size_t closing = connection_string.find(close, end + 1);
      end = closing == std::string_view::npos ? connection_string.size() : closing + 1;
    }
    end = std::min(connection_string.find(';', end), connection_string.size());
    out += key + "=";
    if (normal == "password" || normal == "pwd") {
      if (end > eq + 1) out += "****";
    } else {
      out.append(connection_string.substr(eq + 1, end - eq - 1));
    }
    if (end < connection_string.size()) out.push_back(';');
    i = end + 1;
  }
  return out;
}

}  // namespace norvel
