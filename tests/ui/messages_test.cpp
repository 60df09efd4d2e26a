#include "ui/messages.h"

#include <gtest/gtest.h>

#include "frontends/headless/headless_window_system.h"
#include "platform/native/native_platform.h"

namespace norvel {
namespace {

const NativeCodePage932& cp() {
  static const NativeCodePage932 code_page;
  return code_page;
}

TEST(Messages, PaddedToSixtyBytes) {
  struct Case {
    std::string message;
    std::size_t blanks;
  };
  const std::vector<Case> cases = {
      {"エラー", 54},
      {"", 60},
      {"MDBファイルのパスを入力してください", 25},
      {"1,234件置換しました。", 39},
      {"A\r\nB", 56},
      {std::string(59, 'x'), 1},
      {std::string(60, 'x'), 0},
      {std::string(80, 'x'), 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(padMessage(cp(), c.message), c.message + std::string(c.blanks, ' ')) << c.message;
  }
}

TEST(Messages, WarningAndInformationBoxes) {
  HeadlessWindowSystem windows;
  MsgWarning(windows, cp(), "エラー");
  MsgInfo(windows, cp(), "0件置換しました。");
  ASSERT_EQ(windows.messages().size(), 2u);
  EXPECT_EQ(windows.messages()[0].caption, "郵便番号置換ユーティリティ");
  EXPECT_EQ(windows.messages()[0].icon, MessageIcon::warning);
  EXPECT_EQ(windows.messages()[0].text, "エラー" + std::string(54, ' '));
  EXPECT_EQ(windows.messages()[1].icon, MessageIcon::information);
  EXPECT_EQ(windows.messages()[1].text.size(), std::string("0件置換しました。").size() + 43);
}

}  // namespace
}  // namespace norvel
