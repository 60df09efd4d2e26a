#include "pairs/code_check.h"

#include <gtest/gtest.h>

#include "catalog/reason_texts.h"

namespace norvel {
namespace {

// A code's problem as the window words it.
std::optional<std::string> unusableCodeReason(std::string_view code) {
  const std::optional<CodeProblem> problem = codeProblemOf(code);
  if (!problem) return std::nullopt;
  return failureReasonText(reasonOfCode(*problem, std::string(code)), Language::japanese);
}

TEST(ControlCharsEscaped, EveryControlCharacterBecomesVisible) {
  EXPECT_EQ(controlCharsEscaped("100-0001"), "100-0001");
  EXPECT_EQ(controlCharsEscaped("郵便 〒"), "郵便 〒");
  EXPECT_EQ(controlCharsEscaped("a\tb\rc\nd"), "a\\tb\\rc\\nd");
  EXPECT_EQ(controlCharsEscaped(std::string("\x1b[31m\0\x7f\x1f", 8)), "\\x1b[31m\\x00\\x7f\\x1f");
}

TEST(UnusableCodeReason, NamesTheCodeAndWhatIsWrongWithIt) {
  for (const std::string usable : {"100-0001", "", "NULL", " 100-0001 ", "郵便～", "a\\x1b"}) {
    EXPECT_EQ(unusableCodeReason(usable), std::nullopt) << usable;
  }
  EXPECT_EQ(unusableCodeReason("100-\xEF\xBF\xBD"),
            "コード「100-\xEF\xBF\xBD」には文字として読めないバイトが含まれています。");
  EXPECT_EQ(unusableCodeReason("Z010000\r0010010"),
            "コード「Z010000\\r0010010」には制御文字が含まれています。");
  EXPECT_EQ(unusableCodeReason(std::string("100\0", 4)),
            "コード「100\\x00」には制御文字が含まれています。");
  EXPECT_EQ(unusableCodeReason("\t100\x7f"), "コード「\\t100\\x7f」には制御文字が含まれています。");
}

}  // namespace
}  // namespace norvel
