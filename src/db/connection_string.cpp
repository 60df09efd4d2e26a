#include "db/connection_string.h"

#include "db/connection_string_parser.h"

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
  std::size_t copied = 0;
  for (const ConnectionStringPair& pair : ParseConnectionString(connection_string)) {
    std::string replacement;
    if (EqualsIgnoreCase(pair.key, "Password") || EqualsIgnoreCase(pair.key, "Pwd")) {
      if (pair.end == pair.value_begin) continue;  // nothing to hide
      replacement = "****";
    } else if (EqualsIgnoreCase(pair.key, "Extended Properties")) {
      // A provider's own settings, a connection string of their own.
      std::string masked = MaskPasswords(pair.value);
      if (masked == pair.value) continue;
      replacement = EncloseValue(masked, pair.enclosure);
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
