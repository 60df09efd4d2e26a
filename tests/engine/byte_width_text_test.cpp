#include "engine/byte_width_text.h"

#include <gtest/gtest.h>

#include "platform/native/native_platform.h"

namespace norvel {
namespace {

const NativeCodePage932& cp() {
  static const NativeCodePage932 code_page;
  return code_page;
}

TEST(AnsiByteLength, CodePage932Widths) {
  const std::vector<std::pair<std::string, int>> cases = {
      {"", 0},     {"abc", 3}, {"郵便", 4},
      {"\r\n", 2}, {"ｱｲｳ", 3}, {"郵便番号置換ユーティリティ", 26},
      {"～", 2},   {"😀", 1},   {"MDBファイルのパスを入力してください", 35},
  };
  for (const auto& [text, bytes] : cases) EXPECT_EQ(AnsiByteLength(cp(), text), bytes) << text;
}

TEST(AnsiLeft, WholeCharactersWithinTheLimit) {
  struct Case {
    std::string text;
    int limit;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"abc", 0, ""},      {"abc", -5, ""},       {"", 10, ""},          {"abc", 3, "abc"},
      {"ab漢字", 3, "ab"}, {"ab漢字", 4, "ab漢"}, {"ab漢字", 5, "ab漢"}, {"ab漢字", 6, "ab漢字"},
      {"ｱｲｳ", 2, "ｱｲ"},    {"a😀b", 2, "a😀"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AnsiLeft(cp(), c.text, c.limit), c.expected) << c.text << " / " << c.limit;
  }
}

}  // namespace
}  // namespace norvel
