#include "xls_test_support.h"

namespace norvel::test {
namespace {

class XlsReadTest : public XlsTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(XlsReadTest, SheetsAndFieldsAsTheExcelDriverShowsThem) {
  auto db = openWorkbook(book("addresses_" + GetParam()), true);
  EXPECT_EQ(db->tableNames(), (Names{"住所録$", "Sheet2$"}));
  EXPECT_EQ(db->columnNames("住所録$"), (Names{"郵便番号", "旧番号", "住所", "計算", "数"}));
  EXPECT_EQ(db->columnNames("Sheet2$"), (Names{"コード", "名前", "F3"}));

  auto no_header = openWorkbook(book("addresses_" + GetParam()), false);
  EXPECT_EQ(no_header->columnNames("Sheet2$"), (Names{"F1", "F2", "F3"}));
}

TEST_P(XlsReadTest, CellValuesOfEveryKind) {
  auto db = openWorkbook(book("addresses_" + GetParam()), true);
  // Shared strings past the first record (CONTINUE), numbers as RK and NUMBER.
  EXPECT_EQ(countRows(*db, "住所録$", "[郵便番号] = '100-0001'"), 1);
  EXPECT_EQ(countRows(*db, "住所録$", "[郵便番号] = '100-0400'"), 1);
  EXPECT_EQ(countRows(*db, "住所録$", "[住所] LIKE '%丸の内400丁目%'"), 1);
  EXPECT_EQ(countRows(*db, "住所録$", "[旧番号] = 1000001"), 1);
  EXPECT_EQ(countRows(*db, "住所録$", "[数] = 1.5"), 1);
  EXPECT_EQ(countRows(*db, "住所録$", "[郵便番号] LIKE '100-%'"), 400);
  // A number in a text field reads as its format shows it; an empty text is no value.
  EXPECT_EQ(countRows(*db, "Sheet2$", "[コード] = '1000009'"), 1);
  EXPECT_EQ(countRows(*db, "Sheet2$", "[コード] = '1000001'"), 1);
  EXPECT_EQ(countRows(*db, "Sheet2$", "[名前] IS NULL"), 4);
  // Texts with furigana (xlwt's) and with formatting runs read as their characters alone.
  EXPECT_EQ(countRows(*db, "Sheet2$", "[名前] = '名前3'"), 1);
  EXPECT_EQ(countRows(*db, "Sheet2$", "[F3] = '太字と赤'"), 1);
}

TEST_P(XlsReadTest, ReadingLeavesTheFileAsItWas) {
  const std::string path = book("addresses_" + GetParam());
  const std::string before = readBytes(path);
  {
    auto db = openWorkbook(path, true);
    db->beginTransaction();
    db->execute("UPDATE [住所録$] SET [郵便番号] = '999-9999' WHERE [郵便番号] = '100-0001'");
    db->rollbackTransaction();
  }
  EXPECT_TRUE(readBytes(path) == before);
}

INSTANTIATE_TEST_SUITE_P(Writers, XlsReadTest, ::testing::ValuesIn(kWriters));

}  // namespace
}  // namespace norvel::test
