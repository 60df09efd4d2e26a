#pragma once

#include <string>
#include <vector>

namespace norvel::sample {

// Japan Post's address list as comma-separated UTF-8 text: a header line naming the columns
// (the postal code first), then one address per line. No field is quoted.
struct PostalCsv {
  std::vector<std::string> columns;
  std::vector<std::vector<std::string>> rows;
};

// Throws std::runtime_error naming the file and the system's text, or the line that does not
// fit the header.
PostalCsv readPostalCsv(const std::string& path);

}  // namespace norvel::sample
