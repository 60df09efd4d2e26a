#pragma once

#include <filesystem>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <gmock/gmock.h>

#include "platform/database.h"
#include "support/host_program.h"
#include "support/temp_dir.h"
#include "xlsx/workbook_layer.h"

namespace norvel::test {

namespace fs = std::filesystem;
using norvel::testing::readBytes;
using norvel::testing::utf8Path;
using norvel::testing::writeBytes;
using ::testing::HasSubstr;
using Names = std::vector<std::string>;

// The writers of the committed fixtures.
inline const Names kWriters = {"xlwt", "libreoffice", "gnumeric"};

// A query tells only whether it has a row: the count is the one that HAVING lets through.
inline int countRows(DatabaseConnection& connection, const std::string& table,
                     const std::string& condition) {
  const std::string sql =
      "SELECT count(*) FROM [" + table + "] WHERE " + condition + " HAVING count(*) = ";
  int n = 0;
  while (n < 1000 && connection.query(sql + std::to_string(n)).eof) ++n;
  return n;
}

template <typename M>
auto failsWith(M description) {
  return ::testing::ThrowsMessage<DatabaseError>(description);
}

inline std::string runCheck(const std::vector<std::string>& args) {
  std::vector<std::string> all{NORVEL_XLS_CHECK};
  for (const auto& arg : args) all.push_back(arg);
  const auto run = norvel::testing::runHostProgram(NORVEL_PYTHON3, all);
  if (run.exit_code != 0) throw std::runtime_error("xls_check.py failed");
  return run.out;
}

// What xlrd reads: "sheet|row|column" → "type|value|number format|bold italic colour".
inline std::map<std::string, std::string> cellsReadByXlrd(const std::string& path) {
  std::map<std::string, std::string> cells;
  std::istringstream lines(runCheck({"cells", norvel::testing::hostPath(path)}));
  for (std::string line; std::getline(lines, line);) {
    std::vector<std::string> fields;
    std::istringstream parts(line);
    for (std::string field; std::getline(parts, field, '\t');) fields.push_back(field);
    if (fields.size() < 7) continue;
    cells[fields[0] + "|" + fields[1] + "|" + fields[2]] =
        fields[3] + "|" + fields[4] + "|" + fields[5] + "|" + fields[6];
  }
  return cells;
}

// What differs between two files beyond the cell records, by xlrd's compound file reader.
inline std::string differences(const std::string& before, const std::string& after) {
  return runCheck({"diff", norvel::testing::hostPath(before), norvel::testing::hostPath(after)});
}

class XlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const std::string why = norvel::testing::hostProgramsUnavailable(); !why.empty()) {
      GTEST_SKIP() << why;
    }
  }

  std::string file(const std::string& name) const { return dir_.file(name); }

  // A copy of a committed fixture: "addresses_xlwt" and the like.
  std::string book(const std::string& name, const std::string& copy = "") {
    const std::string target = file(copy.empty() ? name + ".xls" : copy);
    fs::copy_file(utf8Path(std::string(NORVEL_XLS_FIXTURE_DIR) + "/" + name + ".xls"),
                  utf8Path(target), fs::copy_options::overwrite_existing);
    return target;
  }

  norvel::testing::TempDir dir_;
};

}  // namespace norvel::test
