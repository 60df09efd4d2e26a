#include <gmock/gmock.h>

#include "postal/code_changes.h"

namespace norvel::postal {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using Records = std::vector<AddressRecord>;

AddressRecord tokyo(const char* code, const char* town, const char* city = "千代田区") {
  return {code, "東京都", city, town};
}

// The reason and old code of each finding, in the report's order.
std::vector<std::string> reasons(const Comparison& result) {
  std::vector<std::string> out;
  for (const Finding& f : result.findings)
    out.push_back(std::string(reasonLabel(f.reason)) + " " + f.old_code);
  return out;
}

TEST(CompareSnapshots, ProposesOnlyCleanOneToOnePairs) {
  const Records old_list = {
      tokyo("1000001", "千代田"),
      tokyo("1000001", "皇居外苑"),              // both move to 1000091
      tokyo("1000002", "丸の内（１丁目）"),      // unchanged
      tokyo("1000003", "大手町（ＪＡビル）"),    // full-width in the old list
      tokyo("1000000", "以下に掲載がない場合"),  // the city's own line
  };
  const Records new_list = {
      tokyo("1000091", "千代田"),
      tokyo("1000091", "皇居外苑"),
      tokyo("1000002", "丸の内（１丁目）"),
      tokyo("1000093", "大手町(JAビル)"),
      tokyo("1000090", "以下に掲載がない場合"),
  };
  const Comparison result = compareSnapshots(old_list, new_list);
  EXPECT_THAT(result.pairs,
              ElementsAre(CodePair{"1000000", "1000090"}, CodePair{"1000001", "1000091"},
                          CodePair{"1000003", "1000093"}));
  EXPECT_THAT(result.findings, ElementsAre());
}

TEST(CompareSnapshots, ReportsEveryReasonAndProposesNoneOfThem) {
  const Records old_list = {
      // split: part of the towns moved, the rest keep the code
      tokyo("1010001", "神田一"),
      tokyo("1010001", "神田二"),
      // split: all moved, to two codes
      tokyo("1010002", "神田三"),
      tokyo("1010002", "神田四"),
      // merged: two old codes into one new one
      tokyo("1010003", "神田五"),
      tokyo("1010004", "神田六"),
      // merged into a code that stays
      tokyo("1010005", "神田七"),
      tokyo("1010006", "神田八"),
      // unmatched: the municipality was renamed
      {"3000001", "茨城県", "旧名村", "大字東"},
      // abolished
      tokyo("1010007", "消えた町"),
      // chain: 1010008 -> 1010009 whose own town moves to 1010099
      tokyo("1010008", "神田九"),
      tokyo("1010009", "神田十"),
      // cycle: two codes swap
      tokyo("1010010", "神田十一"),
      tokyo("1010011", "神田十二"),
      // a code of two prefectures
      {"4980000", "愛知県", "弥富市", "以下に掲載がない場合"},
      {"4980000", "三重県", "桑名郡木曽岬町", "以下に掲載がない場合"},
      // still in use: its town moved, a new town took the code
      tokyo("1010012", "神田十三"),
  };
  const Records new_list = {
      tokyo("1010001", "神田一"),
      tokyo("1010081", "神田二"),
      tokyo("1010082", "神田三"),
      tokyo("1010083", "神田四"),
      tokyo("1010084", "神田五"),
      tokyo("1010084", "神田六"),
      tokyo("1010006", "神田七"),
      tokyo("1010006", "神田八"),
      {"3000001", "茨城県", "新名市", "大字東"},
      tokyo("1010009", "神田九"),
      tokyo("1010099", "神田十"),
      tokyo("1010011", "神田十一"),
      tokyo("1010010", "神田十二"),
      {"4980001", "愛知県", "弥富市", "以下に掲載がない場合"},
      {"4980001", "三重県", "桑名郡木曽岬町", "以下に掲載がない場合"},
      tokyo("1010085", "神田十三"),
      tokyo("1010012", "新しい町"),
  };
  const Comparison result = compareSnapshots(old_list, new_list);
  EXPECT_THAT(result.pairs, ElementsAre());
  EXPECT_THAT(reasons(result),
              ElementsAre("split 1010001", "split 1010002", "merged 1010003", "merged 1010004",
                          "merged 1010005", "abolished 1010007", "chain 1010008", "chain 1010009",
                          "cycle 1010010", "cycle 1010011", "old code still in use 1010012",
                          "town not matched 3000001", "several prefectures 4980000"));
  const auto& f = result.findings;
  EXPECT_EQ(f[0].new_codes, "1010001 1010081");
  EXPECT_THAT(f[0].note, HasSubstr("part of its towns keep the old code"));
  EXPECT_EQ(f[1].new_codes, "1010082 1010083");
  EXPECT_THAT(f[2].note, HasSubstr("1010084 also takes the addresses of 1010004"));
  EXPECT_THAT(f[4].note, HasSubstr("1010006 also takes the addresses of 1010006"));
  EXPECT_THAT(f[6].note, HasSubstr("moved to 1010099"));
  EXPECT_THAT(f[8].note, HasSubstr("1010010 -> 1010011 -> 1010010"));
  // The renamed municipality: both sides named.
  EXPECT_EQ(f[11].old_address, "旧名村大字東");
  EXPECT_EQ(f[11].new_address, "新名市大字東");
  EXPECT_EQ(f[11].new_codes, "3000001");
  EXPECT_EQ(f[11].prefecture, "茨城県");
  EXPECT_THAT(f[12].note, HasSubstr("4980000 (愛知県 三重県)"));
}

TEST(CompareSnapshots, TownsThatShareANameKeepTheirCodes) {
  // Kyoto lists one town name under several codes; only the code that changed moves.
  const Records old_list = {{"6020001", "京都府", "京都市上京区", "菊屋町"},
                            {"6020002", "京都府", "京都市上京区", "菊屋町"}};
  const Records new_list = {{"6020001", "京都府", "京都市上京区", "菊屋町"},
                            {"6020092", "京都府", "京都市上京区", "菊屋町"}};
  const Comparison result = compareSnapshots(old_list, new_list);
  EXPECT_THAT(result.pairs, ElementsAre(CodePair{"6020002", "6020092"}));
  EXPECT_THAT(result.findings, ElementsAre());
}

TEST(CompareSnapshots, AnUnmatchedTownBesideMovedOnesIsReportedAlone) {
  const Records old_list = {tokyo("1020001", "麹町"), tokyo("1020001", "旧番町")};
  const Records new_list = {tokyo("1020091", "麹町")};
  const Comparison result = compareSnapshots(old_list, new_list);
  EXPECT_THAT(result.pairs, ElementsAre());
  ASSERT_THAT(reasons(result), ElementsAre("town not matched 1020001"));
  EXPECT_EQ(result.findings[0].old_address, "千代田区旧番町");
  EXPECT_THAT(result.findings[0].note, HasSubstr("its other towns went to 1020091"));
}

TEST(CompareSnapshots, ARedrawnRangeIsNotAnAbolishedCode) {
  // 丸の内（１〜３丁目） became （１〜２丁目） under the same code and （３丁目） under a new one.
  const Records old_list = {tokyo("1000003", "丸の内（１〜３丁目）")};
  const Records new_list = {tokyo("1000003", "丸の内（１～２丁目）"),
                            tokyo("1000093", "丸の内（３丁目）")};
  const Comparison result = compareSnapshots(old_list, new_list);
  EXPECT_THAT(result.pairs, ElementsAre());
  ASSERT_THAT(reasons(result), ElementsAre("town not matched 1000003"));
  EXPECT_THAT(result.findings[0].note, HasSubstr("the code still names other addresses"));
}

}  // namespace
}  // namespace norvel::postal
