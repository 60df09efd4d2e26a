#include "xls_test_support.h"

namespace norvel::test {
namespace {

using XlsRefusalTest = XlsTest;

// The fixture with bytes of its Workbook stream changed where a pattern first stands.
std::string patched(const std::string& path, std::string_view pattern, std::size_t at,
                    std::string_view bytes) {
  std::string data = readBytes(path);
  const auto found = data.find(pattern);
  if (found == std::string::npos) return "";
  data.replace(found + at, bytes.size(), bytes);
  writeBytes(path, data);
  return data;
}

// BIFF8's BOF of the workbook globals: type, size 16, version 0x0600, globals 0x0005.
const std::string_view kGlobalsBof("\x09\x08\x10\x00\x00\x06\x05\x00", 8);

TEST_F(XlsRefusalTest, EncryptedOlderAndForeignFilesAreRefusedAndKept) {
  struct Case {
    std::string name;
    std::string_view pattern;
    std::size_t at;
    std::string_view bytes;
    std::string message;
  };
  const std::vector<Case> cases = {
      // The record after BOF becomes FILEPASS.
      {"encrypted", kGlobalsBof, 20, std::string_view("\x2F\x00", 2), "パスワードで保護された"},
      {"biff5", kGlobalsBof, 4, std::string_view("\x00\x05", 2), "Excel 5.0/95 以前"},
      {"other", std::string_view("W\0o\0r\0k\0b\0o\0o\0k\0", 16), 4, std::string_view("d\0", 2),
       "Workbook ストリームがありません"},
  };
  for (const auto& c : cases) {
    const std::string path = book("addresses_xlwt", c.name + ".xls");
    const std::string bytes = patched(path, c.pattern, c.at, c.bytes);
    ASSERT_FALSE(bytes.empty()) << c.name;
    EXPECT_THAT([&] { openWorkbook(path, true); },
                failsWith(::testing::AllOf(HasSubstr(path), HasSubstr(c.message))))
        << c.name;
    EXPECT_TRUE(readBytes(path) == bytes) << c.name;
  }
}

TEST_F(XlsRefusalTest, BrokenContainerIsNamed) {
  const std::string path = file("broken.xls");
  std::string bytes = readBytes(book("addresses_xlwt"));
  bytes.resize(1024);
  writeBytes(path, bytes);
  EXPECT_THAT([&] { openWorkbook(path, true); },
              failsWith(HasSubstr("複合ドキュメントが壊れていて")));
}

}  // namespace
}  // namespace norvel::test
