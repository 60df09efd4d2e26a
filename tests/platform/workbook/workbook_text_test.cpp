#include <gtest/gtest.h>

#include "platform/workbook/cell_reference.h"
#include "platform/workbook/number_text.h"
#include "platform/workbook/ooxml_text.h"

namespace norvel::xlsx {
namespace {

TEST(CellReference, ReadsColumnLettersAndRow) {
  struct Case {
    const char* text;
    std::uint32_t row;
    std::uint32_t column;
  };
  for (const Case& c :
       {Case{"A1", 1, 1}, Case{"Z9", 9, 26}, Case{"AA12", 12, 27}, Case{"az3", 3, 52},
        Case{"$B$2", 2, 2}, Case{"XFD1048576", 1048576, 16384}}) {
    auto position = parseCellReference(c.text);
    ASSERT_TRUE(position.has_value()) << c.text;
    EXPECT_EQ(position->row, c.row) << c.text;
    EXPECT_EQ(position->column, c.column) << c.text;
    EXPECT_EQ(parseCellReference(cellReference(*position)), position) << c.text;
  }
}

TEST(CellReference, RejectsWhatIsNoCell) {
  for (const char* text : {"", "A", "12", "A0", "XFE1", "A1048577", "AAAA1", "A-1", "1A", "A1B"}) {
    EXPECT_FALSE(parseCellReference(text).has_value()) << text;
  }
}

TEST(CellReference, RangeNeedsItsCornersInOrder) {
  auto range = parseCellRange("B2:C5");
  ASSERT_TRUE(range.has_value());
  EXPECT_TRUE(range->contains({3, 3}));
  EXPECT_FALSE(range->contains({1, 2}));
  EXPECT_TRUE(parseCellRange("D4")->isSingleCell());
  EXPECT_FALSE(parseCellRange("C5:B2").has_value());
}

TEST(CellText, EscapedCharactersRoundTrip) {
  EXPECT_EQ(decodeCellText("改行_x000D_あり"), "改行\rあり");
  EXPECT_EQ(decodeCellText("_xD83D__xDE00_"), "\xF0\x9F\x98\x80");
  EXPECT_EQ(decodeCellText("_x005F_x0041_"), "_x0041_");
  EXPECT_EQ(decodeCellText("_xZZZZ_"), "_xZZZZ_");
  for (const char* text : {"a\rb", "tab\there", "_x0041_ literal", "\x01", "普通の文字列"}) {
    EXPECT_EQ(decodeCellText(encodeCellText(text)), text) << text;
  }
  EXPECT_EQ(encodeCellText("a\rb"), "a_x000D_b");
}

TEST(NumberText, CellNumbersReadBackExactly) {
  for (double value : {1000002.0, 0.1, -3.5, 1e20, 123456789012345678.0, 5e-324}) {
    auto text = cellNumberText(value);
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(parseCellNumber(*text), value) << *text;
  }
  EXPECT_FALSE(cellNumberText(1.0 / 0.0).has_value());
  EXPECT_FALSE(parseCellNumber("12abc").has_value());
  EXPECT_EQ(parseCellNumber(" 1.5E+3 "), 1500.0);
}

TEST(NumberText, GeneralFormatAsShownInACell) {
  EXPECT_EQ(generalNumberText(1000001), "1000001");
  EXPECT_EQ(generalNumberText(600001), "600001");
  EXPECT_EQ(generalNumberText(0.1 + 0.2), "0.3");
  EXPECT_EQ(generalNumberText(-2.5), "-2.5");
  EXPECT_EQ(generalNumberText(1e20), "1E+20");
}

}  // namespace
}  // namespace norvel::xlsx
