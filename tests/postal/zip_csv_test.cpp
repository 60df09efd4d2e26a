// norvel-pairs' reading of Japan Post's zipped lists, on archives Python's zipfile wrote.
#include "app/pairs/zip_csv.h"

#include <cstdint>
#include <string>
#include <vector>

#include <gmock/gmock.h>

#include "postal/address_record.h"
#include "support/host_program.h"
#include "support/temp_dir.h"

namespace norvel::pairs_tool {
namespace {

using ::testing::HasSubstr;
using ::testing::ThrowsMessage;

class ZipCsvTest : public ::testing::Test {
 protected:
  // An archive of (name, text) entries, deflated, as zipfile writes it.
  std::string zipped(const std::vector<std::pair<std::string, std::string>>& entries) {
    std::string script =
        "import sys, zipfile\n"
        "with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:\n";
    for (const auto& [name, text] : entries) {
      script += "  z.writestr('" + name + "', '" + text + "')\n";
    }
    const std::string path = dir_.file("list.zip");
    const auto run = testing::runHostProgram(NORVEL_PYTHON3, {"-c", script, path});
    EXPECT_EQ(run.exit_code, 0) << script;
    return testing::readBytes(path);
  }

  testing::TempDir dir_;
};

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

TEST_F(ZipCsvTest, TheOneCsvEntryIsReadWhateverElseTheArchiveHolds) {
  const std::string csv = "01101,\"060  \",\"0600000\"\\r\\n01101,\"064  \",\"0640941\"\\r\\n";
  const std::string archive = zipped({{"readme.txt", "about"}, {"utf_ken_all.CSV", csv}});
  ASSERT_TRUE(looksLikeZip(archive));
  const ZipCsv read = readCsvFromZip(archive);
  EXPECT_EQ(read.name, "utf_ken_all.CSV");
  EXPECT_EQ(read.bytes, "01101,\"060  \",\"0600000\"\r\n01101,\"064  \",\"0640941\"\r\n");
}

TEST_F(ZipCsvTest, ArchivesThatHoldNoSingleSoundCsvAreRefusedSayingWhy) {
  const std::string lines = "13101,\"100  \",\"1000001\"\\r\\n";
  std::string lying = zipped({{"KEN_ALL.CSV", lines + lines + lines + lines}});
  lying = withStatedSize(lying, "KEN_ALL.CSV", 10);
  for (const auto& [archive, text] : std::vector<std::pair<std::string, std::string>>{
           {zipped({{"readme.txt", "about"}}), "the zip archive holds no .csv file"},
           {zipped({{"a.csv", lines}, {"b.CSV", lines}}),
            "the zip archive holds several .csv files (a.csv, b.CSV): unpack the one you mean"},
           {lying, "KEN_ALL.CSV: the entry is longer than its stated size"},
           {std::string("PK\x03\x04", 4) + "not really a zip", "zip archive: Not a zip archive"},
       }) {
    EXPECT_THAT([&] { readCsvFromZip(archive); },
                ThrowsMessage<postal::PostalInputError>(HasSubstr(text)))
        << text;
  }
}

}  // namespace
}  // namespace norvel::pairs_tool
