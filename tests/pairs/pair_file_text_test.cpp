#include "pairs/pair_file_text.h"

#include <gtest/gtest.h>

#include "platform/native/native_platform.h"

namespace norvel {
namespace {

using namespace std::string_literals;

struct SplitCase {
  std::string text;
  std::vector<std::string> lines;
};

TEST(SplitPairFileLines, CrLfLfAndLoneCrEachEndOneLine) {
  const std::vector<SplitCase> cases = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\n", {"a"}},
      {"a\r\nb", {"a", "b"}},
      {"a\nb\n", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"Z010000\r0010010,x\r", {"Z010000", "0010010,x"}},
      {"a\r\r\nb", {"a", "", "b"}},
      {"a\n\rb", {"a", "", "b"}},
      {"\r\n\r\n", {"", ""}},
      {"a\n\n\nb", {"a", "", "", "b"}},
  };
  for (const SplitCase& c : cases) {
    std::vector<std::string> texts;
    std::int32_t expected_number = 0;
    for (const PairFileLine& line : splitPairFileLines(c.text)) {
      EXPECT_EQ(line.number, ++expected_number);
      texts.emplace_back(line.text);
    }
    EXPECT_EQ(texts, c.lines) << c.text;
  }
}

class DecodePairFileTest : public ::testing::Test {
 protected:
  PairFileText decode(std::string_view bytes) const { return decodePairFile(bytes, code_page_); }
  NativeCodePage932 code_page_;
};

TEST_F(DecodePairFileTest, CodePage932UnlessTheUtf8ByteOrderMarkSaysOtherwise) {
  const PairFileText cp932 = decode("\x97\x58\x95\xd6,\x81\x60\r\n");
  EXPECT_EQ(cp932.encoding, PairFileEncoding::cp932);
  EXPECT_EQ(cp932.text, "郵便,～\r\n");

  const PairFileText utf8 = decode("\xEF\xBB\xBF郵便,～\r\n100-0001,100-0002\r\n");
  EXPECT_EQ(utf8.encoding, PairFileEncoding::utf8);
  EXPECT_EQ(utf8.text, "郵便,～\r\n100-0001,100-0002\r\n");

  // Bytes that are not UTF-8 are U+FFFD, one each, and what follows them survives.
  const PairFileText broken = decode("\xEF\xBB\xBF\x81\x60,\xC0\xAF\xED\xA0\x80x\xE9");
  EXPECT_EQ(broken.text, "\uFFFD`,\uFFFD\uFFFD\uFFFD\uFFFD\uFFFDx\uFFFD");

  // Only at the start is it a byte-order mark.
  EXPECT_EQ(decode("a\xEF\xBB\xBF").encoding, PairFileEncoding::cp932);
}

TEST_F(DecodePairFileTest, Utf16IsRecognisedAndNotDecoded) {
  const std::string le = "1\0000\0000\000-\0000\0000\0000\0001\000,\0002\000\r\000\n\000"s;
  const std::string be = "\0001\0000\0000\000-\0000\0000\0000\0001\000,\0002\000\r\000\n"s;
  const std::string japanese_le = "\xF5\x90\xBF\x4F,\000\000N\r\000\n\000"s;  // 郵便,一
  for (const std::string& bytes :
       {"\xFF\xFE" + le, "\xFE\xFF" + be, std::string("\xFF\xFE"), le, be, japanese_le + le}) {
    const PairFileText file = decode(bytes);
    EXPECT_EQ(file.encoding, PairFileEncoding::utf16) << bytes.size();
    EXPECT_EQ(file.text, "");
  }
  // A stray NUL in code page 932 text is a character of a code, not UTF-16.
  const PairFileText stray = decode("100-0001\0,100-0002\r\n"s);
  EXPECT_EQ(stray.encoding, PairFileEncoding::cp932);
  EXPECT_EQ(stray.text, "100-0001\0,100-0002\r\n"s);
  EXPECT_EQ(decode("1\0"s).encoding, PairFileEncoding::cp932);
}

}  // namespace
}  // namespace norvel
