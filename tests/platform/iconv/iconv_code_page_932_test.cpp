#include "platform/iconv/iconv_code_page_932.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

namespace norvel {
namespace {

// Byte strings compare as hex so a failure shows which byte differs.
std::string hex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (unsigned char byte : bytes) {
    if (!text.empty()) text += ' ';
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
  }
  return text;
}

std::string replaceAll(std::string text, std::string_view from, std::string_view to) {
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

const IconvCodePage932& codePage() {
  static const IconvCodePage932 code_page;
  return code_page;
}

struct Mapping {
  const char* name;
  std::string utf8;
  std::string cp932;
};

void PrintTo(const Mapping& mapping, std::ostream* out) {
  *out << mapping.name;
}

// Characters with exactly one code page 932 form: encoding and decoding agree.
class Cp932RoundTrip : public testing::TestWithParam<Mapping> {};

TEST_P(Cp932RoundTrip, EncodesByteForByteAndDecodesBack) {
  const Mapping& mapping = GetParam();
  EXPECT_EQ(hex(codePage().encode(mapping.utf8)), hex(mapping.cp932));
  EXPECT_EQ(codePage().decode(mapping.cp932), mapping.utf8);
}

INSTANTIATE_TEST_SUITE_P(
    Characters, Cp932RoundTrip,
    testing::Values(
        Mapping{"Empty", "", ""},
        Mapping{"Ascii", "100-0001,ABC xyz~\\|\"'\t", "100-0001,ABC xyz~\\|\"'\t"},
        Mapping{"NulByteKept", std::string("a\0b", 3), std::string("a\0b", 3)},
        Mapping{"CrLf", "1\r\n2\r\n", "1\r\n2\r\n"},
        Mapping{"Title", "郵便番号置換ユーティリティ",
                "\x97\x58\x95\xD6\x94\xD4\x8D\x86\x92\x75\x8A\xB7\x83\x86\x81\x5B\x83\x65\x83"
                "\x42\x83\x8A\x83\x65\x83\x42"},
        Mapping{"HalfWidthKatakana", "ｱｲｳ", "\xB1\xB2\xB3"},
        Mapping{"FullWidthTilde", "～", "\x81\x60"},
        Mapping{"FullWidthDigitZero", "０", "\x82\x4F"}, Mapping{"Hiragana", "あ", "\x82\xA0"},
        Mapping{"NecCircledOne", "①", "\x87\x40"}, Mapping{"NecRomanOne", "Ⅰ", "\x87\x54"},
        Mapping{"IbmExtensionTaka", "髙", "\xFB\xFC"}, Mapping{"IbmSmallRomanOne", "ⅰ", "\xFA\x40"},
        Mapping{"NotSignFromJisRow", "￢", "\x81\xCA"},
        Mapping{"BecauseFromJisRow", "∵", "\x81\xE6"},
        Mapping{"UserDefinedArea", "\uE000\uE757", "\xF0\x40\xF9\xFC"},
        Mapping{"PostalLine", "0010010,北海道,札幌市北区北十条西（１～４丁目）\r\n",
                "0010010,\x96\x6B\x8A\x43\x93\xB9,\x8E\x44\x96\x79\x8E\x73\x96\x6B\x8B\xE6\x96"
                "\x6B\x8F\x5C\x8F\xF0\x90\xBC\x81\x69\x82\x50\x81\x60\x82\x53\x92\x9A\x96\xDA"
                "\x81\x6A\r\n"}),
    [](const testing::TestParamInfo<Mapping>& info) { return info.param.name; });

// Characters that code page 932 lacks become one '?' each, so they count one byte.
class Cp932Unrepresentable : public testing::TestWithParam<Mapping> {};

TEST_P(Cp932Unrepresentable, BecomesOneQuestionMarkPerCharacter) {
  EXPECT_EQ(hex(codePage().encode(GetParam().utf8)), hex(GetParam().cp932));
}

INSTANTIATE_TEST_SUITE_P(
    Characters, Cp932Unrepresentable,
    testing::Values(Mapping{"Emoji", "a😀b", "a?b"}, Mapping{"Hangul", "한", "?"},
                    Mapping{"LatinWithAccent", "café", "caf?"},
                    Mapping{"ByteOrderMark", "\uFEFFx", "?x"},
                    // glibc would drop tag characters without a word; they must still count.
                    Mapping{"TagCharacter", "a\U000E0041b", "a?b"},
                    Mapping{"FlagWithTags",
                            "🏴\U000E0067\U000E0062\U000E0073\U000E0063\U000E0074"
                            "\U000E007F|",
                            "???????|"},
                    Mapping{"MixedWithKanji", "郵😀便", "\x97\x58?\x95\xD6"}),
    [](const testing::TestParamInfo<Mapping>& info) { return info.param.name; });

// Bytes that are not UTF-8 never fail the conversion: one '?' per bad byte.
class Cp932InvalidUtf8 : public testing::TestWithParam<Mapping> {};

TEST_P(Cp932InvalidUtf8, BecomesOneQuestionMarkPerByte) {
  EXPECT_EQ(hex(codePage().encode(GetParam().utf8)), hex(GetParam().cp932));
}

INSTANTIATE_TEST_SUITE_P(Bytes, Cp932InvalidUtf8,
                         testing::Values(Mapping{"StrayByte", "X\xFFY", "X?Y"},
                                         Mapping{"LoneContinuation", "\x80Z", "?Z"},
                                         Mapping{"TruncatedAtEnd", "A\xE3\x81", "A??"},
                                         Mapping{"TruncatedBeforeText", "\xE3\x81あ", "??\x82\xA0"},
                                         Mapping{"Overlong", "\xC0\xAFx", "??x"},
                                         Mapping{"Surrogate", "\xED\xA0\x80", "???"},
                                         Mapping{"BeyondUnicode", "\xF4\x90\x80\x80", "????"}),
                         [](const testing::TestParamInfo<Mapping>& info) {
                           return info.param.name;
                         });

// glibc's table (like Windows' own conversion) writes JIS-style variants of characters as
// Microsoft's codes; reading gives Microsoft's characters back.
class Cp932OneWay : public testing::TestWithParam<Mapping> {};

TEST_P(Cp932OneWay, EncodesToMicrosoftsCode) {
  EXPECT_EQ(hex(codePage().encode(GetParam().utf8)), hex(GetParam().cp932));
}

INSTANTIATE_TEST_SUITE_P(
    Characters, Cp932OneWay,
    testing::Values(Mapping{"WaveDash", "〜", "\x81\x60"}, Mapping{"MinusSign", "−", "\x81\x7C"},
                    Mapping{"DoubleVerticalLine", "‖", "\x81\x61"},
                    Mapping{"EmDash", "—", "\x81\x5C"}, Mapping{"CentSign", "¢", "\x81\x91"},
                    Mapping{"PoundSign", "£", "\x81\x92"}, Mapping{"NotSign", "¬", "\x81\xCA"},
                    Mapping{"YenSign", "¥", "\x5C"}, Mapping{"Overline", "‾", "\x7E"},
                    Mapping{"NecSelectedKanji", "纊", "\xFA\x5C"}),
    [](const testing::TestParamInfo<Mapping>& info) { return info.param.name; });

TEST(Cp932Decode, DuplicateCodesReadAsOneCharacter) {
  // NEC-selected IBM extensions and NEC row 13 duplicates read as the character whose
  // preferred code is elsewhere.
  EXPECT_EQ(codePage().decode("\xED\x40"), "纊");
  EXPECT_EQ(codePage().decode("\xEE\xE0"), "髙");
  EXPECT_EQ(codePage().decode("\x87\x9A"), "∵");
  EXPECT_EQ(codePage().decode("\xFA\x4A"), "Ⅰ");
  EXPECT_EQ(codePage().decode("\xFA\x54"), "￢");
}

TEST(Cp932Decode, EveryHalfWidthKatakanaByte) {
  for (int byte = 0xA1; byte <= 0xDF; ++byte) {
    const char32_t code_point = 0xFF61 + (byte - 0xA1);
    const std::string expected{static_cast<char>(0xE0 | (code_point >> 12)),
                               static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)),
                               static_cast<char>(0x80 | (code_point & 0x3F))};
    EXPECT_EQ(codePage().decode(std::string(1, static_cast<char>(byte))), expected)
        << "byte " << hex(std::string(1, static_cast<char>(byte)));
  }
}

// Bytes that are not code page 932 become U+FFFD and the text after them survives.
class Cp932InvalidBytes : public testing::TestWithParam<Mapping> {};

TEST_P(Cp932InvalidBytes, BecomeReplacementCharacter) {
  EXPECT_EQ(codePage().decode(GetParam().cp932), GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, Cp932InvalidBytes,
    testing::Values(Mapping{"Byte80", "Y\uFFFDZ", "Y\x80Z"},
                    Mapping{"ByteA0", "\uFFFDｱ", "\xA0\xB1"}, Mapping{"ByteFD", "\uFFFDz", "\xFDz"},
                    Mapping{"ByteFE", "\uFFFDあ", "\xFE\x82\xA0"},
                    Mapping{"ByteFF", "\uFFFD\r\n", "\xFF\r\n"},
                    Mapping{"LoneLeadBeforeLineEnd", "\uFFFD\r\n100", "\x82\r\n100"},
                    Mapping{"BadTrailByteIsKept", "\uFFFDA", "\x82\x41"},
                    Mapping{"TrailByteOutOfRange", "\uFFFD\uFFFD", "\x81\xFD"},
                    Mapping{"UnassignedLeadRow", "\uFFFDあ", "\x85\x9F\x82\xA0"},
                    Mapping{"UnassignedWithAsciiTrail", "\uFFFD@", "\x86\x40"},
                    Mapping{"TruncatedLastCharacter", "あ\uFFFD", "\x82\xA0\x82"},
                    Mapping{"SeveralInOneLine", "x\uFFFDy\uFFFDz\uFFFD", "x\x80y\xFFz\x88"}),
    [](const testing::TestParamInfo<Mapping>& info) { return info.param.name; });

TEST(Cp932Decode, DamagedFileKeepsEveryLineAfterTheDamage) {
  std::string file;
  std::string expected;
  for (int line = 0; line < 1000; ++line) {
    file += line % 100 == 0 ? "\x80\x85\r\n" : "100-0001,\x82\xA0\r\n";
    expected += line % 100 == 0 ? "\uFFFD\uFFFD\r\n" : "100-0001,あ\r\n";
  }
  EXPECT_EQ(codePage().decode(file), expected);
}

TEST(Cp932RoundTripData, JapanPostAddressesSurvive) {
  std::ifstream in(NORVEL_SHARED_DATA "/jp-postal-2022.csv", std::ios::binary);
  ASSERT_TRUE(in) << NORVEL_SHARED_DATA;
  std::stringstream buffer;
  buffer << in.rdbuf();
  const std::string utf8 = buffer.str();

  const std::string cp932 = codePage().encode(utf8);
  EXPECT_EQ(cp932.find('?'), std::string::npos) << "every address has a code page 932 form";
  // The data's wave dash and minus sign come back as Microsoft's full-width forms.
  const std::string expected = replaceAll(replaceAll(utf8, "\u301C", "\uFF5E"), "\u2212", "\uFF0D");
  EXPECT_NE(expected, utf8);
  EXPECT_TRUE(codePage().decode(cp932) == expected);
}

}  // namespace
}  // namespace norvel
