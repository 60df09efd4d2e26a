#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/database.h"

namespace norvel::test {

// A folder of its own for one test, removed with everything in it afterwards.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  std::vector<std::string> entries() const;  // file names in the folder

 private:
  std::string path_;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);

// The address book written by openpyxl: sheets 住所録 (header row), Sheet2 (data from row 1)
// and 集計 (a formula).
std::string writeAddressBook(const TempDir& dir, const std::string& name = "住所録.xlsx");

// What openpyxl reads from a workbook: "sheet!A1" → "type|value|font|number format|fill".
std::map<std::string, std::string> cellsReadByOpenpyxl(const std::string& path);

struct ZipEntry {
  std::string name;
  std::string data;
  bool stored = false;  // no compression
};
void writeZip(const std::string& path, const std::vector<ZipEntry>& entries);

// Each entry's compressed bytes exactly as the archive holds them.
struct RawEntry {
  std::uint16_t method = 0;
  std::uint32_t crc = 0;
  std::string compressed;
  friend bool operator==(const RawEntry&, const RawEntry&) = default;
};
std::map<std::string, RawEntry> rawEntries(const std::string& path);
std::vector<std::string> entryNames(const std::string& path);  // in archive order
std::string entryText(const std::string& path, const std::string& name);

// A small workbook package around hand-written worksheet XML.
struct SheetXml {
  std::string name;
  std::string xml;
};
struct PackageOptions {
  std::string shared_strings;  // the whole sharedStrings.xml, or empty for none
  bool absolute_targets = false;
  std::string calc_chain;  // the whole calcChain.xml, or empty for none
};
std::vector<ZipEntry> workbookPackage(const std::vector<SheetXml>& sheets,
                                      const PackageOptions& options = {});
// <worksheet> around the given <sheetData> content.
std::string worksheet(const std::string& sheet_data);

// The texts the replacement run sends (CR between the clauses).
std::string probeSql(const std::string& table, const std::string& field);
std::string updateSql(const std::string& table, const std::string& field,
                      const std::string& new_value, const std::string& condition);

// How many rows of the table satisfy the condition, learnt through queries alone.
std::int64_t countRows(DatabaseConnection& connection, const std::string& table,
                       const std::string& condition);

}  // namespace norvel::test
