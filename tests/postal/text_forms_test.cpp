#include <gtest/gtest.h>

#include "postal/change_files.h"
#include "postal/csv_fields.h"
#include "postal/width_fold.h"

namespace norvel::postal {
namespace {

TEST(WidthFold, SpellingsOfOneNameCompareEqual) {
  const struct {
    const char* a;
    const char* b;
  } same[] = {
      {"大通西（１〜１９丁目）", "大通西(1~19丁目)"},  // wave dash as UTF-8 writes it
      {"大通西（１～１９丁目）", "大通西(1~19丁目)"},  // as code page 932 decodes it
      {"南１条西（１−５）", "南1条西(1-5)"},           // minus sign
      {"南１条西（１－５）", "南1条西(1-5)"},          // full-width hyphen-minus
      {"ＮＴＴビル", "NTTビル"},                       // letters
      {"ｶﾞｰﾃﾞﾝﾊﾟｰｸ", "ガーデンパーク"},                // half-width kana, voiced marks joined
      {"ｳﾞｨﾗ", "ヴィラ"},                              // ヴ has its own code point
      {"北　一条 西", "北一条西"},                     // blanks
  };
  for (const auto& [a, b] : same) EXPECT_EQ(foldWidth(a), foldWidth(b)) << a << " / " << b;
}

TEST(WidthFold, KeepsWhatDiffers) {
  EXPECT_NE(foldWidth("ヶ丘"), foldWidth("ケ丘"));
  EXPECT_NE(foldWidth("以下に掲載がない場合"), foldWidth(""));
  EXPECT_EQ(foldWidth("ﾊﾟﾊﾞﾊ"), "パバハ");
  EXPECT_EQ(foldWidth("ﾞ"), "゛");  // a mark alone stays a mark
  EXPECT_EQ(foldWidth("a\xFF"
                      "b"),
            "a\xFF"
            "b");  // bytes that are not UTF-8 pass through
}

TEST(CsvFields, SplitsQuotedAndPlainFields) {
  using V = std::vector<std::string>;
  EXPECT_EQ(splitCsvLine("01101,\"060  \",\"0600000\",a,,\"b,c\",\"d\"\"e\""),
            (V{"01101", "060  ", "0600000", "a", "", "b,c", "d\"e"}));
  EXPECT_EQ(splitCsvLine("a,"), (V{"a", ""}));
  EXPECT_EQ(splitCsvLine(""), (V{""}));
  EXPECT_EQ(quoteCsvField("plain"), "plain");
  EXPECT_EQ(quoteCsvField("a,b"), "\"a,b\"");
  EXPECT_EQ(quoteCsvField("say \"x\""), "\"say \"\"x\"\"\"");
}

TEST(ChangeFiles, KindFromThePublishedName) {
  const struct {
    const char* name;
    std::optional<ChangeKind> kind;
  } cases[] = {
      {"del_2301.csv", ChangeKind::deletions},
      {"ADD_2301.CSV", ChangeKind::additions},
      {"dir/utf_del_2301.zip", ChangeKind::deletions},
      {"utf_add_2301.csv", ChangeKind::additions},
      {"ken_all.csv", std::nullopt},
      {"add/ken_all.csv", std::nullopt},
  };
  for (const auto& [name, kind] : cases) EXPECT_EQ(changeKindOf(name), kind) << name;
}

TEST(ChangeFiles, AnAddressWithdrawnAndAddedAgainCancelsOut) {
  const AddressRecord a{"1000001", "東京都", "千代田区", "千代田"};
  const AddressRecord b{"1000002", "東京都", "千代田区", "皇居外苑"};
  const AddressRecord b_moved{"1000099", "東京都", "千代田区", "皇居外苑"};
  const AddressRecord a_halfwidth{"1000001", "東京都", "千代田区", "千代田 "};
  const ChangeSet net = netChanges({{a, b}, {a_halfwidth, b_moved}});
  ASSERT_EQ(net.deleted.size(), 1u);
  EXPECT_EQ(net.deleted[0].town, "皇居外苑");
  ASSERT_EQ(net.added.size(), 1u);
  EXPECT_EQ(net.added[0].code, "1000099");
}

}  // namespace
}  // namespace norvel::postal
