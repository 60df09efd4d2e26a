#include "app/sample/postal_csv.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string_view>

namespace norvel::sample {
namespace {

std::vector<std::string> splitFields(std::string_view line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = line.find(',', start);
    fields.emplace_back(line.substr(start, comma - start));
    if (comma == std::string_view::npos) return fields;
    start = comma + 1;
  }
}

}  // namespace

PostalCsv readPostalCsv(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error(path + ": " + std::strerror(errno));

  PostalCsv csv;
  std::string line;
  std::size_t number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (number == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
    if (line.empty()) continue;
    std::vector<std::string> fields = splitFields(line);
    if (csv.columns.empty()) {
      for (const std::string& name : fields) {
        if (name.empty()) throw std::runtime_error(path + ": the header names an empty column");
      }
      csv.columns = std::move(fields);
      continue;
    }
    if (fields.size() != csv.columns.size()) {
      throw std::runtime_error(path + ":" + std::to_string(number) + ": " +
                               std::to_string(fields.size()) + " fields where the header has " +
                               std::to_string(csv.columns.size()));
    }
    csv.rows.push_back(std::move(fields));
  }
  if (in.bad()) throw std::runtime_error(path + ": " + std::strerror(errno));
  if (csv.columns.empty()) throw std::runtime_error(path + ": the file is empty");
  if (csv.rows.empty()) throw std::runtime_error(path + ": no addresses after the header");
  return csv;
}

}  // namespace norvel::sample
