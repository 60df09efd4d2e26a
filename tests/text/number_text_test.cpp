#include "text/number_text.h"

#include <gtest/gtest.h>

namespace norvel {
namespace {

TEST(ReadLeadingNumber, ReadsAsValDoes) {
  struct Case {
    std::string code;
    std::string text;
    bool whole;
  };
  const std::vector<Case> cases = {
      {"1000001", "1000001", true},
      {"0600001", "600001", true},
      {"100-0001", "100", false},
      {"100 0001", "1000001", true},
      {"abc", "0", false},
      {"", "0", false},
      {" -12.5 ", "-12.5", true},
      {"1e3", "1000", true},
      {"1D2", "100", true},
      {"&H1F", "31", true},
      {"&O17", "15", true},
      {"12345678901234567890", "1.23456789012346E+19", true},
      {"\t7\n", "7", true},
      {"1.5x", "1.5", false},
      {"+", "0", false},
  };
  for (const Case& c : cases) {
    const LeadingNumber number = readLeadingNumber(c.code);
    EXPECT_EQ(formatGeneralNumber(number.value), c.text) << c.code;
    EXPECT_EQ(number.whole, c.whole) << c.code;
  }
}

TEST(FormatCount, GroupsByThree) {
  EXPECT_EQ(formatCount(0), "0");
  EXPECT_EQ(formatCount(15), "15");
  EXPECT_EQ(formatCount(1234), "1,234");
  EXPECT_EQ(formatCount(1234567), "1,234,567");
  EXPECT_EQ(formatCount(3000000000LL), "3,000,000,000");
  EXPECT_EQ(formatCount(-1500), "-1,500");
}

}  // namespace
}  // namespace norvel
