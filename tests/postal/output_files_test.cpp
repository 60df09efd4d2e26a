#include <gmock/gmock.h>

#include "pairs/pair_line.h"
#include "platform/native/native_platform.h"
#include "postal/output_files.h"

namespace norvel::postal {
namespace {

TEST(OutputFiles, PairListInTheWindowsFormat) {
  NativeCodePage932 code_page;
  const std::vector<CodePair> pairs = {{"1000001", "1000091"}, {"0600042", "0600099"}};
  EXPECT_EQ(pairListBytes(pairs, false, code_page), "1000001,1000091\r\n0600042,0600099\r\n");
  EXPECT_EQ(pairListBytes(pairs, true, code_page), "100-0001,100-0091\r\n060-0042,060-0099\r\n");
  EXPECT_EQ(pairListBytes({}, false, code_page), "");
  // Each line reads back as its pair.
  const PairCodes back = parsePairLine("060-0042,060-0099");
  EXPECT_EQ(back.old_code, "060-0042");
  EXPECT_EQ(back.new_code, "060-0099");
}

TEST(OutputFiles, ReportOpensInASpreadsheet) {
  const std::vector<Finding> findings = {
      {Reason::split, "1010001", "1010001 1010081", "東京都", "千代田区神田一", "",
       "to 1010081 (2), \"b\""},
      {Reason::unmatched, "3000001", "3000001", "茨城県", "旧名村大字東", "新名市大字東", "n"},
  };
  EXPECT_EQ(
      reportBytes(findings, true),
      "\xEF\xBB\xBF"
      "reason,old code,new code,prefecture,old address,new address,note\r\n"
      "split,101-0001,101-0001 101-0081,東京都,千代田区神田一,,\"to 101-0081 (2), \"\"b\"\"\"\r\n"
      "town not matched,300-0001,300-0001,茨城県,旧名村大字東,新名市大字東,n\r\n");
  EXPECT_EQ(reportBytes({}, false),
            "\xEF\xBB\xBFreason,old code,new code,prefecture,old address,new address,note\r\n");
  const auto counts = codesPerReason({findings[1], findings[0], findings[1]});
  ASSERT_EQ(counts.size(), 2u);
  EXPECT_EQ(counts[0], std::make_pair(Reason::split, std::size_t{1}));
  EXPECT_EQ(counts[1], std::make_pair(Reason::unmatched, std::size_t{1}));
}

}  // namespace
}  // namespace norvel::postal
