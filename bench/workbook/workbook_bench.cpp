// Checks the workbook bench's outputs: reads the field of a table from the original workbook
// and from each replaced copy (norvel's runs, LibreOffice's) and reports how many cells each
// changed and whether all copies hold the same values in every row.
//   workbook_bench ORIGINAL.xlsx TABLE FIELD COPY.xlsx...
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "platform/database.h"
#include "platform/sql_statement.h"
#include "xlsx/workbook_layer.h"

namespace {

norvel::QueryRows fieldValues(const std::string& path, const std::string& table,
                              const std::string& field) {
  auto db = norvel::openWorkbook(path, true);
  return db->queryRows(
      norvel::SqlStatement("SELECT [" + field + "] FROM [" + table + "] ORDER BY rowid"));
}

std::size_t changedCells(const norvel::QueryRows& before, const norvel::QueryRows& after) {
  std::size_t changed = 0;
  for (std::size_t i = 0; i < before.size() && i < after.size(); ++i) {
    if (before[i][0] != after[i][0]) ++changed;
  }
  return changed;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: workbook_bench ORIGINAL.xlsx TABLE FIELD COPY.xlsx...\n");
    return 2;
  }
  try {
    const std::string table = argv[2];
    const std::string field = argv[3];
    const auto original = fieldValues(argv[1], table, field);
    std::printf("%s: %zu rows\n", argv[1], original.size());
    norvel::QueryRows first;
    bool same = true;
    for (int i = 4; i < argc; ++i) {
      auto values = fieldValues(argv[i], table, field);
      std::printf("%s: %zu rows, %zu cells changed\n", argv[i], values.size(),
                  changedCells(original, values));
      if (values.size() != original.size()) same = false;
      if (i == 4) {
        first = std::move(values);
      } else if (values != first) {
        same = false;
      }
    }
    std::printf(same ? "same cells changed in every copy\n" : "THE COPIES DIFFER\n");
    return same ? 0 : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "workbook_bench: %s\n", e.what());
    return 1;
  }
}
