#include "pairs/pair_line.h"

#include <gtest/gtest.h>

namespace norvel {
namespace {

TEST(CutToken, FirstListedDelimiterDecides) {
  std::string text = "a;b,c";
  EXPECT_EQ(CutToken(text, ",;", true), "a;b");
  EXPECT_EQ(text, "c");
  text = "abc";
  EXPECT_EQ(CutToken(text, ",", true), "abc");
  EXPECT_EQ(text, "");
  text = "x,y";
  EXPECT_EQ(CutToken(text, ",", false), "x");
  EXPECT_EQ(text, "x,y");
  text = "郵便,番号";
  EXPECT_EQ(CutToken(text, "、,", true), "郵便");
  EXPECT_EQ(text, "番号");
}

struct LineCase {
  std::string line;
  std::string old_code;
  std::string new_code;
};

TEST(ParsePairLine, LinesOfTheFile) {
  const std::vector<LineCase> cases = {
      {"100-0001,100-0002", "100-0001", "100-0002"},
      {"100-0001", "100-0001", ""},
      {"100-0001,", "100-0001", ""},
      {"100-0001,100-0002,100-0003", "100-0001", "100-0002"},
      {",100-0002", "", "100-0002"},
      {"", "", ""},
      {"   ", "   ", ""},
      {"旧,新", "旧", "新"},
      {"\"1,2\",\"3\"", "1,2", "3"},
      {"'1,2','3'", "1,2", "3"},
      {"'1\"2,3','4'", "1\"2,3", "4"},
      {"\"1\",2", "\"1\"", "2"},
      {"'1,2','3'x'", "'1", "2'"},
      {"\"1,2\"", "1,2", ""},
  };
  for (const LineCase& c : cases) {
    const PairCodes pair = parsePairLine(c.line);
    EXPECT_EQ(pair.old_code, c.old_code) << c.line;
    EXPECT_EQ(pair.new_code, c.new_code) << c.line;
  }
}

TEST(FormatPairLine, WrittenForms) {
  EXPECT_EQ(formatPairLine("100-0001", "100-0002"), "100-0001,100-0002");
  EXPECT_EQ(formatPairLine("100-0001", ""), "100-0001,");
  EXPECT_EQ(formatPairLine("1,2", "3"), "\"1,2\",\"3\"");
  EXPECT_EQ(formatPairLine("1\"2,3", "4"), "'1\"2,3','4'");
  EXPECT_EQ(formatPairLine("1,\"'", "2"), "\t1,\"'\t,\t2\t");
  EXPECT_EQ(formatPairLine("\"1\"", "2"), "\"1\",2");
  EXPECT_EQ(formatPairLine("1,2", ""), "\"1,2\",\"\"");
}

TEST(PairLines, EveryWrittenPairReadsBack) {
  const std::vector<std::pair<std::string, std::string>> pairs = {
      {"100-0001", "100-0002"}, {"1,2", "3"},        {"1\"2,3", "4"},   {"a,\"b'", "c\td"},
      {"\t,x", "y\t"},          {"'a", "b'"},        {"\"x", "y\""},    {"\"1\"", "2"},
      {" 100-0001", ""},        {"郵便,番号", "〒"}, {"a\"\"b", "c,d"}, {"NULL", "null"},
  };
  for (const auto& [old_code, new_code] : pairs) {
    const std::string line = formatPairLine(old_code, new_code);
    const PairCodes back = parsePairLine(line);
    EXPECT_EQ(back.old_code, old_code) << line;
    EXPECT_EQ(back.new_code, new_code) << line;
  }
}

}  // namespace
}  // namespace norvel
