#include "workbook_test_support.h"

#include <zip.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>

#include <gtest/gtest.h>

namespace norvel::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "norvel-workbook-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  // A test may have left a file read-only; removing it needs the folder only.
  fs::remove_all(path_, ignored);
}

std::vector<std::string> TempDir::entries() const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(path_)) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

namespace {

std::string runScript(const std::string& command, const std::string& path) {
  const std::string line = std::string("'") + NORVEL_PYTHON3 + "' '" + NORVEL_WORKBOOK_FIXTURES +
                           "' " + command + " '" + path + "'";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(line.c_str(), "r"), ::pclose);
  if (!pipe) throw std::runtime_error("cannot run " + line);
  std::string output;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0) output.append(buffer, n);
  const int status = ::pclose(pipe.release());
  if (status != 0) throw std::runtime_error(line + " failed with status " + std::to_string(status));
  return output;
}

struct ZipCloser {
  void operator()(zip_t* archive) const { zip_discard(archive); }
};
using ZipHandle = std::unique_ptr<zip_t, ZipCloser>;

ZipHandle openForReading(const std::string& path) {
  int error = 0;
  ZipHandle archive(zip_open(path.c_str(), ZIP_RDONLY, &error));
  if (!archive) throw std::runtime_error("cannot open zip " + path);
  return archive;
}

std::string readEntry(zip_t* archive, zip_uint64_t index, zip_flags_t flags) {
  zip_stat_t stat;
  zip_stat_index(archive, index, 0, &stat);
  const auto size = (flags & ZIP_FL_COMPRESSED) != 0 ? stat.comp_size : stat.size;
  std::string data(size, '\0');
  zip_file_t* file = zip_fopen_index(archive, index, flags);
  if (file == nullptr) throw std::runtime_error(zip_strerror(archive));
  const auto n = zip_fread(file, data.data(), data.size());
  zip_fclose(file);
  if (n != static_cast<zip_int64_t>(data.size())) throw std::runtime_error("short zip read");
  return data;
}

}  // namespace

std::string writeAddressBook(const TempDir& dir, const std::string& name) {
  // Written once per test run: starting openpyxl takes longer than the test itself.
  static const std::string bytes = [] {
    std::error_code error;
    const auto made = fs::last_write_time(NORVEL_ADDRESS_BOOK, error);
    if (!error && made >= fs::last_write_time(NORVEL_WORKBOOK_FIXTURES)) {
      return readFile(NORVEL_ADDRESS_BOOK);
    }
    TempDir once;
    const std::string path = once.file("addresses.xlsx");
    runScript("addresses", path);
    return readFile(path);
  }();
  const std::string path = dir.file(name);
  writeFile(path, bytes);
  return path;
}

std::map<std::string, std::string> cellsReadByOpenpyxl(const std::string& path) {
  std::map<std::string, std::string> cells;
  std::istringstream lines(runScript("dump", path));
  std::string line;
  while (std::getline(lines, line)) {
    if (line.empty()) continue;
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
      auto tab = line.find('\t', start);
      fields.push_back(line.substr(start, tab - start));
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
    fields.resize(7);
    cells[fields[0] + "!" + fields[1]] =
        fields[2] + "|" + fields[3] + "|" + fields[4] + "|" + fields[5] + "|" + fields[6];
  }
  return cells;
}

void writeZip(const std::string& path, const std::vector<ZipEntry>& entries) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (archive == nullptr) throw std::runtime_error("cannot create zip " + path);
  for (const auto& entry : entries) {
    zip_source_t* source = zip_source_buffer(archive, entry.data.data(), entry.data.size(), 0);
    const auto index = zip_file_add(archive, entry.name.c_str(), source, ZIP_FL_ENC_UTF_8);
    if (index < 0) throw std::runtime_error(zip_strerror(archive));
    zip_set_file_compression(archive, static_cast<zip_uint64_t>(index),
                             entry.stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 0);
  }
  if (zip_close(archive) != 0) throw std::runtime_error(zip_strerror(archive));
}

std::map<std::string, RawEntry> rawEntries(const std::string& path) {
  auto archive = openForReading(path);
  std::map<std::string, RawEntry> entries;
  const auto count = zip_get_num_entries(archive.get(), 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    const auto index = static_cast<zip_uint64_t>(i);
    zip_stat_t stat;
    zip_stat_index(archive.get(), index, 0, &stat);
    entries[stat.name] = {stat.comp_method, stat.crc,
                          readEntry(archive.get(), index, ZIP_FL_COMPRESSED)};
  }
  return entries;
}

std::vector<std::string> entryNames(const std::string& path) {
  auto archive = openForReading(path);
  std::vector<std::string> names;
  const auto count = zip_get_num_entries(archive.get(), 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    names.emplace_back(zip_get_name(archive.get(), static_cast<zip_uint64_t>(i), 0));
  }
  return names;
}

std::string entryText(const std::string& path, const std::string& name) {
  auto archive = openForReading(path);
  const auto index = zip_name_locate(archive.get(), name.c_str(), 0);
  if (index < 0) throw std::runtime_error("no entry " + name + " in " + path);
  return readEntry(archive.get(), static_cast<zip_uint64_t>(index), 0);
}

std::string worksheet(const std::string& sheet_data) {
  return R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
         "\n"
         R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )"
         R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)"
         "<sheetData>" +
         sheet_data + "</sheetData></worksheet>";
}

std::vector<ZipEntry> workbookPackage(const std::vector<SheetXml>& sheets,
                                      const PackageOptions& options) {
  const std::string rel_ns = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
  const std::string main_ns = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
  const std::string xml_head = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)";

  std::string types =
      xml_head +
      R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
      R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
      R"(<Default Extension="xml" ContentType="application/xml"/>)"
      R"(<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>)"
      R"(<Override PartName="/xl/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"/>)";
  std::string workbook =
      xml_head + "<workbook xmlns=\"" + main_ns + "\" xmlns:r=\"" + rel_ns + "\"><sheets>";
  std::string rels =
      xml_head +
      R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)";
  std::vector<ZipEntry> entries;
  for (std::size_t i = 0; i < sheets.size(); ++i) {
    const std::string n = std::to_string(i + 1);
    const std::string part = "xl/worksheets/sheet" + n + ".xml";
    types +=
        R"(<Override PartName="/)" + part +
        R"(" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>)";
    workbook +=
        "<sheet name=\"" + sheets[i].name + "\" sheetId=\"" + n + "\" r:id=\"rId" + n + "\"/>";
    rels += "<Relationship Id=\"rId" + n + "\" Type=\"" + rel_ns + "/worksheet\" Target=\"" +
            (options.absolute_targets ? "/" + part : "worksheets/sheet" + n + ".xml") + "\"/>";
    entries.push_back({part, sheets[i].xml});
  }
  workbook += "</sheets><calcPr calcId=\"191029\"/></workbook>";
  rels += "<Relationship Id=\"rIdStyles\" Type=\"" + rel_ns + "/styles\" Target=\"styles.xml\"/>";
  if (!options.shared_strings.empty()) {
    types +=
        R"(<Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/>)";
    rels += "<Relationship Id=\"rIdStrings\" Type=\"" + rel_ns +
            "/sharedStrings\" Target=\"sharedStrings.xml\"/>";
    entries.push_back({"xl/sharedStrings.xml", options.shared_strings});
  }
  if (!options.calc_chain.empty()) {
    types +=
        R"(<Override PartName="/xl/calcChain.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.calcChain+xml"/>)";
    rels += "<Relationship Id=\"rIdChain\" Type=\"" + rel_ns +
            "/calcChain\" Target=\"calcChain.xml\"/>";
    entries.push_back({"xl/calcChain.xml", options.calc_chain});
  }
  types += "</Types>";
  rels += "</Relationships>";

  const std::string styles =
      xml_head + "<styleSheet xmlns=\"" + main_ns +
      "\"><fonts count=\"2\"><font><sz val=\"11\"/><name val=\"Calibri\"/></font>"
      "<font><b/><sz val=\"11\"/><name val=\"Calibri\"/></font></fonts>"
      "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
      "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
      "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
      "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/>"
      "</cellStyleXfs><cellXfs count=\"2\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" "
      "borderId=\"0\" xfId=\"0\"/><xf numFmtId=\"49\" fontId=\"1\" fillId=\"0\" borderId=\"0\" "
      "xfId=\"0\" applyFont=\"1\" applyNumberFormat=\"1\"/></cellXfs></styleSheet>";
  const std::string root_rels =
      xml_head +
      R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
      "<Relationship Id=\"rId1\" Type=\"" +
      rel_ns + "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>";

  entries.insert(entries.begin(), {{"[Content_Types].xml", types},
                                   {"_rels/.rels", root_rels},
                                   {"xl/workbook.xml", workbook},
                                   {"xl/_rels/workbook.xml.rels", rels},
                                   {"xl/styles.xml", styles}});
  return entries;
}

std::string probeSql(const std::string& table, const std::string& field) {
  return "SELECT [" + field + "]\r FROM [" + table + "]\r WHERE 1=0\r";
}

std::string updateSql(const std::string& table, const std::string& field,
                      const std::string& new_value, const std::string& condition) {
  return "UPDATE [" + table + "]\r SET [" + field + "] = " + new_value + " WHERE [" + field + "]" +
         condition;
}

std::int64_t countRows(DatabaseConnection& connection, const std::string& table,
                       const std::string& condition) {
  for (std::int64_t n = 0; n <= 1000; ++n) {
    const std::string sql = "SELECT count(*) FROM [" + table + "] WHERE " + condition +
                            " HAVING count(*) = " + std::to_string(n);
    if (!connection.query(sql).eof) return n;
  }
  ADD_FAILURE() << "more than 1000 rows in " << table << " where " << condition;
  return -1;
}

}  // namespace norvel::test
