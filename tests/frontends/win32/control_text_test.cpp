#include "frontends/win32/control_text.h"

#include <gtest/gtest.h>

#include <string>

namespace norvel::win32 {
namespace {

// The status box and the connection string box are EDIT controls, which break lines at CR LF
// only: a bare LF or CR from the model would show as one long line.
TEST(Win32ControlText, EveryLineEndIsShownAsCrLf) {
  const struct {
    std::string model;
    std::wstring shown;
  } cases[] = {
      {"", L""},
      {"一行", L"一行"},
      {"a\r\nb", L"a\r\nb"},
      {"a\nb\n", L"a\r\nb\r\n"},
      {"a\rb", L"a\r\nb"},
      {"a\r\n\r\nb", L"a\r\n\r\nb"},
      {"開始\r", L"開始\r\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(editText(c.model), c.shown) << c.model;
}

TEST(Win32ControlText, OpenDialogFilterIsNulSeparatedAndDoublyEnded) {
  const std::wstring filter =
      openDialogFilter("Access データベース (*.mdb)|*.mdb;*.accdb|すべて|*.*");
  const std::wstring expected(L"Access データベース (*.mdb)\0*.mdb;*.accdb\0すべて\0*.*\0\0", 45);
  EXPECT_EQ(filter, expected);
}

}  // namespace
}  // namespace norvel::win32
