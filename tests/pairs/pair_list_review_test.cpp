#include "pairs/pair_list_review.h"

#include <gtest/gtest.h>

#include "catalog/pair_texts.h"

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
  const std::vector<PairFinding> findings = reviewPairList(pairs);
  ASSERT_EQ(findings.size(), 3u);
  EXPECT_EQ(findings[0].kind, PairFindingKind::emptiesField);
  EXPECT_EQ(findings[0].position, 2);
  EXPECT_EQ(pairFindingText(findings[0], Language::japanese),
            "2 番目の置換ペア「100-0003 -> 」は置換先が空です。該当するフィールドは空（NULL）"
            "になります。");
  EXPECT_EQ(findings[1].kind, PairFindingKind::blanksAround);  // " " is a code, not empty
  EXPECT_EQ(findings[1].position, 4);
  EXPECT_EQ(findings[2].position, 5);
  EXPECT_NE(pairFindingText(findings[2], Language::japanese).find("「NULL -> 」"),
            std::string::npos);
}

TEST(ReviewPairList, BlanksAroundACodeAndAHeaderLineArePointedOut) {
  struct Case {
    std::vector<std::pair<std::string, std::string>> codes;
    std::vector<std::pair<PairFindingKind, std::int32_t>> found;
  };
  const std::vector<Case> cases = {
      {{{"1000099", " 1000001"}}, {{PairFindingKind::blanksAround, 1}}},
      {{{"1000099 ", "1000001"},
        {"\xE3\x80\x80"
         "100",
         "1"}},
       {{PairFindingKind::blanksAround, 1}, {PairFindingKind::blanksAround, 2}}},
      {{{"old", "new"}, {"100-0001", "100-0002"}}, {{PairFindingKind::headerLine, 1}}},
      {{{"旧", "新"}}, {{PairFindingKind::headerLine, 1}}},
      {{{"置換元", "置換先"}}, {{PairFindingKind::headerLine, 1}}},
      // Only the first line can be a header; NULL and full-width digits are codes.
      {{{"100-0001", "100-0002"}, {"old", "new"}}, {}},
      {{{"NULL", "abc"}}, {}},
      {{{"〒１００", "x"}}, {}},
      {{{" old", "new"}}, {{PairFindingKind::headerLine, 1}, {PairFindingKind::blanksAround, 1}}},
  };
  for (const Case& c : cases) {
    std::vector<std::pair<PairFindingKind, std::int32_t>> found;
    for (const PairFinding& finding : reviewPairList(pairsOf(c.codes))) {
      found.emplace_back(finding.kind, finding.position);
    }
    EXPECT_EQ(found, c.found) << c.codes.front().first;
  }
  EXPECT_EQ(pairFindingText(reviewPairList(pairsOf({{"1000099", " 1000001"}})).front(),
                            Language::japanese),
            "1 番目の置換ペア「1000099 ->  1000001」は置換先の前後に空白があります。空白も含めて"
            "そのまま使われます。");
  EXPECT_EQ(
      pairFindingText(reviewPairList(pairsOf({{"旧", "新"}})).front(), Language::japanese),
      "1 番目の置換ペア「旧 -> 新」は見出し行のようです。これも置換ペアとしてそのまま使われます。");
}

TEST(ReviewPairList, NothingToSayAboutAnOrdinaryOrEmptyList) {
  EXPECT_TRUE(reviewPairList(clsInfCol()).empty());
  EXPECT_TRUE(reviewPairList(pairsOf({{"100-0001", "100-0002"}, {"郵便", "～"}})).empty());
}

}  // namespace
}  // namespace norvel
