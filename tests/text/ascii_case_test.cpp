#include "text/ascii_case.h"

#include <gtest/gtest.h>

namespace norvel {
namespace {

// Only the 26 ASCII letters change case: the bytes of a UTF-8 character (郵便, full-width
// letters) and everything else stay as they are, whatever the locale.
TEST(AsciiCase, OnlyAsciiLettersChangeCase) {
  const struct {
    std::string text;
    std::string lower;
    std::string upper;
  } cases[] = {
      {"Sheet1$", "sheet1$", "SHEET1$"},
      {"郵便番号", "郵便番号", "郵便番号"},
      {"ＡＢＣ abc", "ＡＢＣ abc", "ＡＢＣ ABC"},
      {"İstanbul", "İstanbul", "İSTANBUL"},
      {"", "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(asciiLowercase(c.text), c.lower) << c.text;
    EXPECT_EQ(asciiUppercase(c.text), c.upper) << c.text;
  }
  EXPECT_TRUE(equalsIgnoringAsciiCase("DRIVER", "Driver"));
  EXPECT_TRUE(equalsIgnoringAsciiCase(".CSV", ".csv"));
  EXPECT_FALSE(equalsIgnoringAsciiCase("ｃｓｖ", "csv"));
  EXPECT_FALSE(equalsIgnoringAsciiCase("csv", "csv "));
}

}  // namespace
}  // namespace norvel
