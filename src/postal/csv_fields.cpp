#include "postal/csv_fields.h"

namespace norvel::postal {

std::vector<std::string> splitCsvLine(std::string_view line) {
  std::vector<std::string> fields;
  splitCsvLine(line, fields);
  return fields;
}

void splitCsvLine(std::string_view line, std::vector<std::string>& fields) {
  std::size_t count = 0;
  const auto next = [&]() -> std::string& {
    if (fields.size() <= count) fields.emplace_back();
    std::string& field = fields[count++];
    field.clear();
    return field;
  };
  std::size_t i = 0;
  for (;;) {
    std::string& field = next();
    if (i < line.size() && line[i] == '"') {
      ++i;
      while (i < line.size()) {
        if (line[i] == '"') {
          if (i + 1 < line.size() && line[i + 1] == '"') {
            field.push_back('"');
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        field.push_back(line[i++]);
      }
      // Anything between the closing quote and the comma belongs to the field as written.
      const std::size_t comma = line.find(',', i);
      field.append(line.substr(i, comma == std::string_view::npos ? comma : comma - i));
      i = comma;
    } else {
      const std::size_t comma = line.find(',', i);
      field.assign(line.substr(i, comma == std::string_view::npos ? comma : comma - i));
      i = comma;
    }
    if (i == std::string_view::npos || i >= line.size()) break;
    ++i;
    if (i == line.size()) {
      next();
      break;
    }
  }
  fields.resize(count);
}

std::string quoteCsvField(std::string_view field) {
  if (field.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(field);
  std::string quoted = "\"";
  for (char c : field) {
    if (c == '"') quoted.push_back('"');
    quoted.push_back(c);
  }
  quoted.push_back('"');
  return quoted;
}

}  // namespace norvel::postal
