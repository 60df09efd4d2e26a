// The one zip reader of the workbook and norvel-pairs, on archives that Python's zipfile and
// openpyxl wrote.
#include "platform/zip/zip_reader.h"

#include <cstdint>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include <gmock/gmock.h>

#include "support/host_program.h"
#include "support/temp_dir.h"

namespace norvel::ziparchive {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class ZipReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const std::string why = testing::hostProgramsUnavailable(); !why.empty()) {
      GTEST_SKIP() << why;
    }
  }

  // Runs a Python script with the archive's host path as sys.argv[1]; returns its stdout.
  std::string python(const std::string& script, const std::string& archive) {
    const auto run =
        testing::runHostProgram(NORVEL_PYTHON3, {"-c", script, testing::hostPath(archive)});
    EXPECT_EQ(run.exit_code, 0) << script;
    return run.out;
  }

  std::string file(const std::string& name) const { return dir_.file(name); }

  testing::TempDir dir_;
};

std::string unhex(const std::string& hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  }
  return bytes;
}

// Sets the inflated size that an entry's local and central headers state.
std::string withStatedSize(std::string bytes, const std::string& name, std::uint32_t size) {
  const auto patch = [&](const std::string& signature, std::size_t size_at, std::size_t name_at) {
    for (auto at = bytes.find(signature); at != std::string::npos;
         at = bytes.find(signature, at + 1)) {
      if (bytes.compare(at + name_at, name.size(), name) != 0) continue;
      for (int i = 0; i < 4; ++i) bytes[at + size_at + i] = static_cast<char>(size >> (8 * i));
    }
  };
  patch(std::string("PK\x03\x04", 4), 22, 30);
  patch(std::string("PK\x01\x02", 4), 24, 46);
  return bytes;
}

TEST_F(ZipReaderTest, EveryPartOfAWorkbookThatOpenpyxlWroteReadsAsPythonReadsIt) {
  const std::string workbook = file("住所録.xlsx");
  // Each entry's name and bytes (hex) as Python's zipfile reads them, one line each.
  const std::string listing = python(
      "import openpyxl, sys, zipfile\n"
      "book = openpyxl.Workbook()\n"
      "sheet = book.active\n"
      "sheet.title = '住所録'\n"
      "sheet.append(['郵便番号', '住所'])\n"
      "for i in range(200): sheet.append(['100-%04d' % i, '東京都千代田区千代田'])\n"
      "book.save(sys.argv[1])\n"
      "archive = zipfile.ZipFile(sys.argv[1])\n"
      "for name in archive.namelist(): print(name + '\\t' + archive.read(name).hex())\n",
      workbook);
  std::vector<std::string> names;
  std::vector<std::string> contents;
  std::istringstream lines(listing);
  for (std::string line; std::getline(lines, line);) {
    names.push_back(line.substr(0, line.find('\t')));
    contents.push_back(unhex(line.substr(line.find('\t') + 1)));
  }
  ASSERT_GE(names.size(), 5u) << listing;

  const std::string bytes = testing::readBytes(workbook);
  const ZipReader archive(bytes);
  EXPECT_EQ(archive.entryNames(), names);
  for (std::size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(archive.read(i, InflateLimits{}), contents[i]) << names[i];
  }
  EXPECT_THAT(
      contents[std::find(names.begin(), names.end(), "xl/worksheets/sheet1.xml") - names.begin()],
      HasSubstr("100-0199"));
}

TEST_F(ZipReaderTest, AZippedListReadsAsTheCsvThatWasPutIn) {
  std::string csv;
  for (int i = 0; i < 5000; ++i) {
    csv +=
        "13101,\"100  \",\"100" + std::to_string(1000 + i) + "\",\"\x93\x8c\x8b\x9e\x93\x73\"\r\n";
  }
  testing::writeBytes(file("KEN_ALL.CSV"), csv);
  python(
      "import sys, zipfile\n"
      "with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as archive:\n"
      "  archive.writestr('readme.txt', 'about the list')\n"
      "  archive.write(sys.argv[1].replace('ken_all.zip', 'KEN_ALL.CSV'), 'KEN_ALL.CSV')\n",
      file("ken_all.zip"));
  const std::string bytes = testing::readBytes(file("ken_all.zip"));
  const ZipReader archive(bytes);
  EXPECT_THAT(archive.entryNames(), ElementsAre("readme.txt", "KEN_ALL.CSV"));
  EXPECT_EQ(archive.read(1, {.max_size = 1 << 20, .max_ratio = 0}), csv);
  EXPECT_EQ(archive.read(0, {}), "about the list");
}

TEST_F(ZipReaderTest, WhatCannotBeReadIsReportedByItsKindWithTheEntryAndTheSizes) {
  // 64 KiB of one repeated line deflate about 500 times; a stored copy is damaged by hand.
  const std::string lines = [] {
    std::string text;
    while (text.size() < (64 << 10)) text += "13101,\"1000001\"\r\n";
    return text;
  }();
  testing::writeBytes(file("list.csv"), lines);
  python(
      "import sys, zipfile\n"
      "source = sys.argv[1].replace('lists.zip', 'list.csv')\n"
      "with zipfile.ZipFile(sys.argv[1], 'w') as archive:\n"
      "  archive.write(source, 'deflated.csv', zipfile.ZIP_DEFLATED)\n"
      "  archive.writestr('stored.csv', 'a,b,c\\r\\n', zipfile.ZIP_STORED)\n",
      file("lists.zip"));
  const std::string good = testing::readBytes(file("lists.zip"));
  std::string damaged = good;
  damaged.replace(damaged.find("a,b,c"), 5, "a,b,d");
  const InflateLimits no_ratio{.max_size = 1 << 20, .max_ratio = 0};

  const auto faultOf = [](const std::string& bytes, std::size_t index, InflateLimits limits) {
    try {
      ZipReader(bytes).read(index, limits);
    } catch (const ZipReadError& error) {
      return std::make_tuple(error.fault(), error.entry(), error.size(), std::string(error.what()));
    }
    return std::make_tuple(ZipFault::kLibrary, std::string("(read)"), std::uint64_t{0},
                           std::string());
  };
  const std::uint64_t size = lines.size();
  using Fault = std::tuple<ZipFault, std::string, std::uint64_t, std::string>;
  EXPECT_EQ(faultOf(good, 0, {.max_size = 1 << 16, .max_ratio = 0}),
            Fault(ZipFault::kTooLarge, "deflated.csv", size, ""));
  EXPECT_EQ(faultOf(good, 0, {.max_size = 1 << 20, .max_ratio = 100, .ratio_exempt_size = 1024}),
            Fault(ZipFault::kTooCompressed, "deflated.csv", size, ""));
  EXPECT_EQ(faultOf(withStatedSize(good, "deflated.csv", 1000), 0, no_ratio),
            Fault(ZipFault::kLongerThanStated, "deflated.csv", 1000, ""));
  EXPECT_EQ(faultOf(damaged, 1, no_ratio), Fault(ZipFault::kLibrary, "stored.csv", 0, "CRC error"));
  try {
    ZipReader("PK\x03\x04 not really a zip");
    ADD_FAILURE() << "no error";
  } catch (const ZipReadError& error) {
    EXPECT_EQ(error.fault(), ZipFault::kLibrary);
    EXPECT_EQ(error.entry(), "");
    EXPECT_STRNE(error.what(), "");
  }
  // Within the limits the same archive reads whole.
  EXPECT_EQ(ZipReader(good).read(0, no_ratio), lines);
  EXPECT_EQ(ZipReader(good).read(1, {}), "a,b,c\r\n");
}

}  // namespace
}  // namespace norvel::ziparchive
