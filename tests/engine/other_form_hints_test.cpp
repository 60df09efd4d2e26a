// A pair that matched nothing because the field writes the code another way: the forms looked
// for, and the hints a real SQLite file and workbook give after a run.
#include "engine/other_form_hints.h"

#include <gtest/gtest.h>

#include "engine/code_forms.h"
#include "platform/sqlite/sqlite_connection.h"
#include "support/sqlite_fixture.h"
#include "support/temp_dir.h"

namespace norvel {
namespace {

using testing::SqliteFile;
using testing::TempDir;
using Strings = std::vector<std::string>;

TEST(OtherFormsOfCode, TheSameSevenDigitsWrittenTheOtherCommonWays) {
  const std::pair<std::string, Strings> cases[] = {
      {"100-0001", {"1000001", "１０００００１", "１００－０００１"}},
      {"1000001", {"100-0001", "１０００００１", "１００－０００１"}},
      {"１００－０００１", {"1000001", "100-0001", "１０００００１"}},
      {"１０００００１", {"1000001", "100-0001", "１００－０００１"}},
      // Hyphens an input method gives, and mixed widths, are the same code.
      {"100ー0001", {"1000001", "100-0001", "１０００００１", "１００－０００１"}},
      {"1０0-0001", {"1000001", "100-0001", "１０００００１", "１００－０００１"}},
      // Not a postal code: nothing to look for.
      {"", {}},
      {"NULL", {}},
      {"100-00012", {}},
      {"10-00001", {}},
      {"100--0001", {}},
      {" 100-0001", {}},
      {"abc-defg", {}},
      {std::string("100-000\xFF", 8), {}},
  };
  for (const auto& [code, forms] : cases) {
    EXPECT_EQ(otherFormsOfCode(code), forms) << code;
  }
}

class OtherFormHintsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SqliteFile db(path_);
    db.exec(
        "CREATE TABLE 住所 (郵便番号 TEXT, 番号 INTEGER);"
        "INSERT INTO 住所 VALUES ('1000001', 1000001), ('1000001', 1000001),"
        " ('１０００００１', 1), ('100-0005', 1000005), ('2000002', 2000002)");
  }

  std::vector<OtherFormHint> hints(const std::string& field, const std::vector<RunPair>& pairs,
                                   const std::vector<std::int64_t>& counts) {
    auto connection = openSqlite(path_);
    return findOtherFormHints(*connection, {"住所", field}, pairs, counts);
  }

  TempDir dir_;
  std::string path_ = dir_.file("台帳.db");
};

TEST_F(OtherFormHintsTest, OnlyPairsWithoutRowsWhoseCodeIsStoredAnotherWay) {
  const std::vector<RunPair> pairs = {
      {"100-0001", "100-0002"},  // 0 rows: stored as 1000001 and in full width
      {"100-0005", "100-0006"},  // replaced rows: no hint
      {"300-0003", "300-0004"},  // 0 rows, and no other form either
      {"2000002", "2000003"},    // 0 rows counted though the code is there: no other form
      {"NULL", "100-0009"},      // not a code
      {"200-0002", "200-0009"},  // 0 rows: stored without the hyphen
  };
  const std::vector<OtherFormHint> found = hints("郵便番号", pairs, {0, 1, 0, 0, 0, 0});
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].pair_index, 0u);
  EXPECT_EQ(found[0].text,
            "1 番目の置換ペア「100-0001 -> 100-0002」に一致する行はありません。このフィールドには"
            "「1000001」（2 行）、「１０００００１」（1 行）の形で入っています。");
  EXPECT_EQ(found[1].pair_index, 5u);
  EXPECT_EQ(found[1].text,
            "6 番目の置換ペア「200-0002 -> 200-0009」に一致する行はありません。このフィールドには"
            "「2000002」（1 行）の形で入っています。");
}

TEST_F(OtherFormHintsTest, NoneForANumberFieldNorForAFailedRunsMissingCounts) {
  EXPECT_TRUE(hints("番号", {{"100-0001", "100-0002"}}, {0}).empty());
  // A failed run counts only the pairs before the failing one.
  EXPECT_TRUE(hints("郵便番号", {{"100-0005", "1"}, {"100-0001", "100-0002"}}, {1}).empty());
}

TEST_F(OtherFormHintsTest, AFieldTheDataSourceCannotQueryGivesNoHintAndNoError) {
  EXPECT_TRUE(hints("無い列", {{"100-0001", "100-0002"}}, {0}).empty());
}

}  // namespace
}  // namespace norvel
