#include "pairs/pair_list_review.h"

#include <gtest/gtest.h>

namespace norvel {
namespace {

clsInfCol pairsOf(const std::vector<std::pair<std::string, std::string>>& codes) {
  clsInfCol pairs;
  for (const auto& [old_code, new_code] : codes) {
    clsInf& pair = pairs.AddItem();
    pair.s01 = old_code;
    pair.s02 = new_code;
  }
  return pairs;
}

TEST(ReviewPairList, AnEmptyNewCodeIsPointedOutButTheExplicitNullIsNot) {
  const clsInfCol pairs = pairsOf({{"100-0001", "100-0002"},
                                   {"100-0003", ""},
                                   {"100-0004", "NULL"},
                                   {"100-0005", " "},
                                   {"NULL", ""}});
  const std::vector<PairFinding> findings = ReviewPairList(pairs);
  ASSERT_EQ(findings.size(), 2u);
  EXPECT_EQ(findings[0].kind, PairFindingKind::emptiesField);
  EXPECT_EQ(findings[0].position, 2);
  EXPECT_EQ(findings[0].text,
            "2 番目の置換ペア「100-0003 -> 」は置換先が空です。該当するフィールドは空（NULL）"
            "になります。");
  EXPECT_EQ(findings[1].position, 5);
  EXPECT_NE(findings[1].text.find("「NULL -> 」"), std::string::npos);
}

TEST(ReviewPairList, NothingToSayAboutAnOrdinaryOrEmptyList) {
  EXPECT_TRUE(ReviewPairList(clsInfCol()).empty());
  EXPECT_TRUE(ReviewPairList(pairsOf({{"100-0001", "100-0002"}, {"郵便", "～"}})).empty());
}

}  // namespace
}  // namespace norvel
