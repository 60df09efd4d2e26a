#pragma once

#include <zip.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <gmock/gmock.h>

#include "catalog/failure_texts.h"
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
using Texts = std::vector<std::pair<std::string, std::string>>;

inline const std::string kSheet1 = "xl/worksheets/sheet1.xml";

inline const std::string kUpdateText =
    "UPDATE [住所録$]\r SET [郵便番号] = '100-0002' WHERE [郵便番号] = '100-0001'";

// The statements of a replacement run (CR between the clauses).
inline std::string probeSql(const std::string& table, const std::string& field) {
  return "SELECT [" + field + "]\r FROM [" + table + "]\r WHERE 1=0\r";
}
inline std::string updateSql(const std::string& table, const std::string& field,
                             const std::string& value, const std::string& condition) {
  return "UPDATE [" + table + "]\r SET [" + field + "] = " + value + " WHERE [" + field + "]" +
         condition;
}

// A query tells only whether it has a row: the count is the one that HAVING lets through.
inline int countRows(DatabaseConnection& connection, const std::string& table,
                     const std::string& condition) {
  const std::string sql =
      "SELECT count(*) FROM [" + table + "] WHERE " + condition + " HAVING count(*) = ";
  int n = 0;
  while (n < 100 && connection.query(sql + std::to_string(n)).eof) ++n;
  return n;
}

// The action fails with a DatabaseError whose description, as the window shows it, matches.
template <typename M>
auto failsWith(M description) {
  return ::testing::Throws<DatabaseError>(::testing::ResultOf(
      [](const DatabaseError& error) { return descriptionOf(error); }, description));
}

// The fixture script run by the host's python3 with openpyxl, on a workbook of this system.
inline std::string runFixtureScript(const std::string& command, const std::string& path) {
  const auto run = norvel::testing::runHostProgram(
      NORVEL_PYTHON3, {NORVEL_WORKBOOK_FIXTURES, command, norvel::testing::hostPath(path)});
  if (run.exit_code != 0) {
    throw std::runtime_error(std::string(NORVEL_WORKBOOK_FIXTURES) + " " + command + " " + path +
                             " failed");
  }
  return run.out;
}

// What openpyxl reads: "sheet!A1" → "type|value|font|number format|fill".
inline std::map<std::string, std::string> cellsReadByOpenpyxl(const std::string& path) {
  std::map<std::string, std::string> cells;
  std::istringstream lines(runFixtureScript("dump", path));
  for (std::string line; std::getline(lines, line);) {
    cells[line.substr(0, line.find('\t'))] = line.substr(line.find('\t') + 1);
  }
  return cells;
}

// Each entry's name and bytes, as stored (or uncompressed without ZIP_FL_COMPRESSED), in order.
inline Texts zipEntries(const std::string& path, zip_flags_t flags = ZIP_FL_COMPRESSED) {
  int error = 0;
  std::unique_ptr<zip_t, void (*)(zip_t*)> zip(zip_open(path.c_str(), ZIP_RDONLY, &error),
                                               zip_discard);
  Texts entries;
  for (zip_int64_t i = 0; zip && i < zip_get_num_entries(zip.get(), 0); ++i) {
    zip_stat_t st;
    zip_stat_index(zip.get(), i, 0, &st);
    std::string data(flags != 0 ? st.comp_size : st.size, '\0');
    zip_file_t* file = zip_fopen_index(zip.get(), i, flags);
    if (file == nullptr || zip_fread(file, data.data(), data.size()) < 0) return {};
    zip_fclose(file);
    entries.emplace_back(st.name, data);
  }
  return entries;
}

inline std::string entryText(const std::string& path, const std::string& name) {
  for (const auto& [entry, data] : zipEntries(path, 0)) {
    if (entry == name) return data;
  }
  return "(no " + name + ")";
}

// The entries whose name, place or stored bytes are not the same any more.
inline Names changedEntries(const Texts& before, const Texts& after) {
  Names names;
  for (std::size_t i = 0; i < std::max(before.size(), after.size()); ++i) {
    if (i >= before.size() || i >= after.size() || before[i] != after[i]) {
      names.push_back((i < after.size() ? after : before)[i].first);
    }
  }
  return names;
}

// Adds or replaces entries, stored without compression.
inline void writeZip(const std::string& path, const Texts& entries) {
  int error = 0;
  zip_t* zip = zip_open(path.c_str(), ZIP_CREATE, &error);
  for (const auto& [name, data] : entries) {
    zip_source_t* source = zip_source_buffer(zip, data.data(), data.size(), 0);
    zip_set_file_compression(zip, zip_file_add(zip, name.c_str(), source, ZIP_FL_OVERWRITE),
                             ZIP_CM_STORE, 0);
  }
  zip_close(zip);
}

// text with each of the (old, new) replacements made once.
inline std::string replaced(std::string text, const Texts& replacements) {
  for (const auto& [from, to] : replacements) {
    const auto at = text.find(from);
    if (at == std::string::npos) return "(no " + from + ")";
    text.replace(at, from.size(), to);
  }
  return text;
}

class WorkbookTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const std::string why = norvel::testing::hostProgramsUnavailable(); !why.empty()) {
      GTEST_SKIP() << why;
    }
  }

  std::string file(const std::string& name) const { return dir_.file(name); }

  // A copy of a workbook the fixture script writes: "addresses" (by openpyxl: sheets 住所録 with
  // a header row, Sheet2 with data from row 1, 集計 with a formula), "handmade", "formulas" or
  // "formats" (codes as texts and as formatted numbers).
  // CTest has them written once per run; otherwise the first test to need one writes it. The
  // copy's name may start with folders of its own.
  std::string book(const std::string& name, std::string copy = "") {
    const std::string fixture = std::string(NORVEL_WORKBOOK_FIXTURE_DIR) + "/" + name + ".xlsx";
    std::error_code error;
    if (fs::last_write_time(fixture, error) < fs::last_write_time(NORVEL_WORKBOOK_FIXTURES)) {
      runFixtureScript(name, fixture);
    }
    if (copy.empty()) copy = name == "addresses" ? "住所録.xlsx" : name + ".xlsx";
    const fs::path target = utf8Path(file(copy));
    fs::create_directories(target.parent_path());
    fs::copy_file(fixture, target, fs::copy_options::overwrite_existing);
    return file(copy);
  }

  norvel::testing::TempDir dir_;
};

}  // namespace norvel::test
