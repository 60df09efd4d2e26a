#include "platform/odbc/utf16.h"

#include <gtest/gtest.h>

namespace norvel::odbc {
namespace {

struct RoundTrip {
  std::string utf8;
  std::u16string utf16;
};

TEST(OdbcUtf16, ConvertsBothWays) {
  const RoundTrip cases[] = {
      {"", u""},
      {"UPDATE t\r SET f = '100-0002'", u"UPDATE t\r SET f = '100-0002'"},
      {"郵便番号置換ユーティリティ", u"郵便番号置換ユーティリティ"},
      {"\xC3\xA9\xE2\x80\x94", u"\u00E9\u2014"},
      {"𠮷野家", u"\U00020BB7野家"},  // outside the BMP: a surrogate pair
      {"～", u"\uFF5E"},
  };
  for (const RoundTrip& c : cases) {
    EXPECT_EQ(utf8ToUtf16(c.utf8), c.utf16) << c.utf8;
    EXPECT_EQ(utf16ToUtf8(c.utf16), c.utf8) << c.utf8;
  }
}

TEST(OdbcUtf16, ReplacesMalformedUtf8AndKeepsTheRest) {
  const RoundTrip cases[] = {
      {"a\xFF"
       "b",
       u"a\uFFFDb"},
      {"\x81\x40", u"\uFFFD@"},                           // CP932 bytes are not UTF-8
      {"\xE3\x81", u"\uFFFD\uFFFD"},                      // truncated sequence
      {"\xC0\xAF", u"\uFFFD\uFFFD"},                      // overlong '/'
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // encoded surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
  };
  for (const RoundTrip& c : cases) EXPECT_EQ(utf8ToUtf16(c.utf8), c.utf16);
}

TEST(OdbcUtf16, ReplacesLoneSurrogates) {
  EXPECT_EQ(utf16ToUtf8(std::u16string{u'a', char16_t{0xD800}, u'b'}),
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(utf16ToUtf8(std::u16string{char16_t{0xDC00}}), "\xEF\xBF\xBD");
  EXPECT_EQ(utf16ToUtf8(std::u16string{char16_t{0xD83D}}), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace norvel::odbc
