#include "platform/native/native_platform.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

namespace norvel {
namespace {

using namespace std::string_literals;

// Byte strings compare as hex so a failure shows which byte differs.
std::string hex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (const unsigned char byte : bytes) {
    text += std::string(text.empty() ? "" : " ") + kDigits[byte >> 4] + kDigits[byte & 0x0F];
  }
  return text;
}

const NativeCodePage932 kCodePage;

// Byte for byte as Windows writes them; every byte counts toward a message's width.
TEST(Cp932, EncodesByteForByteAndDecodesBack) {
  const std::pair<std::string, std::string> round_trips[] = {
      {"", ""},
      {"100-0001,ABC~\\|\"'\t\0\r\n"s, "100-0001,ABC~\\|\"'\t\0\r\n"s},
      {"郵便番号置換ユーティリティ",
       "\x97\x58\x95\xD6\x94\xD4\x8D\x86\x92\x75\x8A\xB7\x83\x86"
       "\x81\x5B\x83\x65\x83\x42\x83\x8A\x83\x65\x83\x42"},
      {"ｱｲｳ～０あ①Ⅰ髙ⅰ￢∵",
       "\xB1\xB2\xB3\x81\x60\x82\x4F\x82\xA0\x87\x40\x87\x54\xFB\xFC\xFA\x40\x81\xCA\x81\xE6"},
      {"\uE000\uE757", "\xF0\x40\xF9\xFC"},  // the user-defined area
  };
  for (const auto& [utf8, cp932] : round_trips) {
    EXPECT_EQ(hex(kCodePage.encode(utf8)), hex(cp932)) << utf8;
    EXPECT_EQ(kCodePage.decode(cp932), utf8) << utf8;
  }
}

// Characters that code page 932 lacks and bytes that are not UTF-8 become one '?' each, so they
// count one byte; JIS-style variants are written as Microsoft's codes, as Windows does.
TEST(Cp932, EncodesWhatItLacksAsQuestionMarks) {
  const std::pair<std::string, std::string> cases[] = {
      {"a😀b한café\uFEFF", "a?b?caf??"},
      {"a\U000E0041b", "a?b"},  // glibc would drop tag characters without a word
      {"🏴\U000E0067\U000E0062\U000E0073\U000E0063\U000E0074\U000E007F|", "???????|"},
      {"郵😀便", "\x97\x58?\x95\xD6"},
      {"X\xFFY\x80Z", "X?Y?Z"},
      {"A\xE3\x81", "A??"},
      {"\xE3\x81あ\xC0\xAF\xED\xA0\x80\xF4\x90\x80\x80", "??\x82\xA0?????????"},
      {"〜−‖—¢£¬¥‾纊", "\x81\x60\x81\x7C\x81\x61\x81\x5C\x81\x91\x81\x92\x81\xCA\x5C\x7E\xFA\x5C"},
  };
  for (const auto& [utf8, cp932] : cases)
    EXPECT_EQ(hex(kCodePage.encode(utf8)), hex(cp932)) << utf8;
}

// Bytes that are not code page 932 become U+FFFD and the text after them survives; duplicate
// codes read as the character whose preferred code is elsewhere.
TEST(Cp932, DecodesInvalidBytesAsReplacementCharacters) {
  const std::pair<std::string, std::string> cases[] = {
      {"Y\x80Z\xA0\xB1\xFDz\xFE\x82\xA0\xFF", "Y\uFFFDZ\uFFFDｱ\uFFFDz\uFFFDあ\uFFFD"},
      {"\x82\r\n100", "\uFFFD\r\n100"},
      {"\x82\x41", "\uFFFDA"},
      {"\x81\xFD", "\uFFFD\uFFFD"},
      {"\x85\x9F\x82\xA0\x86\x40", "\uFFFDあ\uFFFD@"},
      {"\x82\xA0\x82", "あ\uFFFD"},
      {"\xED\x40\xEE\xE0\x87\x9A\xFA\x4A\xFA\x54", "纊髙∵Ⅰ￢"},
  };
  for (const auto& [cp932, utf8] : cases) EXPECT_EQ(kCodePage.decode(cp932), utf8) << hex(cp932);
  std::string file;
  std::string expected;
  for (int line = 0; line < 1000; ++line) {
    file += line % 100 == 0 ? "\x80\x85\r\n" : "100-0001,\x82\xA0\r\n";
    expected += line % 100 == 0 ? "\uFFFD\uFFFD\r\n" : "100-0001,あ\r\n";
  }
  EXPECT_EQ(kCodePage.decode(file), expected) << "a damaged file keeps every line after the damage";
}

TEST(Cp932, JapanPostAddressesSurviveTheRoundTrip) {
  std::ifstream in(NORVEL_SHARED_DATA "/jp-postal-2022.csv", std::ios::binary);
  ASSERT_TRUE(in) << NORVEL_SHARED_DATA;
  std::stringstream buffer;
  buffer << in.rdbuf();
  std::string utf8 = buffer.str();
  const std::string cp932 = kCodePage.encode(utf8);
  EXPECT_EQ(cp932.find('?'), std::string::npos) << "every address has a code page 932 form";
  // The data's wave dash and minus sign come back as Microsoft's full-width forms.
  for (const auto& [from, to] : {std::pair{"\u301C", "\uFF5E"}, std::pair{"\u2212", "\uFF0D"}}) {
    for (std::size_t at = utf8.find(from); at != std::string::npos; at = utf8.find(from, at)) {
      utf8.replace(at, 3, to);
    }
  }
  EXPECT_TRUE(kCodePage.decode(cp932) == utf8);
}

}  // namespace
}  // namespace norvel
