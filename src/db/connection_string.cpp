#include "db/connection_string.h"

#include "platform/connection_string_parser.h"

namespace norvel {

std::string trimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

std::string accessConnectionString(std::string_view path) {
  return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + std::string(path);
}

std::string oracleConnectionString(std::string_view user, std::string_view password,
                                   std::string_view host) {
  std::string s = "Provider=OraOLEDB.Oracle.1;Persist Security Info=False;";
  s += "User ID=" + trimBlanks(user) + ";";
  s += "Password =" + trimBlanks(password) + ";";
  s += "Data Source=" + trimBlanks(host) + ";";
  return s;
}

std::string excelConnectionString(std::string_view path, int header_check_value) {
  std::string s = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + std::string(path) + ";";
  s += "Extended Properties=\"Excel 8.0;";
  if (header_check_value != 1) s += "HDR=No;";
  s += "\"";
  return s;
}

std::string maskPasswords(std::string_view connection_string) {
  std::string out;
  std::size_t copied = 0;
  for (const ConnectionStringPair& pair : parseConnectionString(connection_string)) {
    std::string replacement;
    if (equalsIgnoreCase(pair.key, "Password") || equalsIgnoreCase(pair.key, "Pwd")) {
      if (pair.end == pair.value_begin) continue;  // nothing to hide
      replacement = "****";
    } else if (equalsIgnoreCase(pair.key, "Extended Properties")) {
      // A provider's own settings, a connection string of their own.
      std::string masked = maskPasswords(pair.value);
      if (masked == pair.value) continue;
      replacement = encloseValue(masked, pair.enclosure);
    } else {
      continue;
    }
    out.append(connection_string.substr(copied, pair.value_begin - copied));
    out += replacement;
    copied = pair.end;
  }
  out.append(connection_string.substr(copied));
  return out;
}

}  // namespace norvel
