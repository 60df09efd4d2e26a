#include "xls_test_support.h"

namespace norvel::test {
namespace {

class XlsWriteTest : public XlsTest, public ::testing::WithParamInterface<std::string> {
 protected:
  std::string path_ = book("addresses_" + GetParam());
  std::string original_ = book("addresses_" + GetParam(), "original.xls");
};

// xlrd's key of a cell: sheet, 0-based row and column.
std::string cell(const std::string& sheet, int row, int column) {
  return sheet + "|" + std::to_string(row) + "|" + std::to_string(column);
}

TEST_P(XlsWriteTest, TextCodeBecomesASharedStringAndNothingElseChanges) {
  auto before = cellsReadByXlrd(path_);
  auto db = openWorkbook(path_, true);
  EXPECT_EQ(
      db->execute("UPDATE [住所録$] SET [郵便番号] = '100-9999' WHERE [郵便番号] = '100-0001'"), 1);
  // One that an existing shared string already holds.
  EXPECT_EQ(
      db->execute("UPDATE [住所録$] SET [郵便番号] = '100-0003' WHERE [郵便番号] = '100-0002'"), 1);
  db->close();

  auto expected = before;
  const std::string a2 = cell("住所録", 1, 0);
  const std::string a3 = cell("住所録", 2, 0);
  expected[a2].replace(expected[a2].find("100-0001"), 8, "100-9999");
  expected[a3].replace(expected[a3].find("100-0002"), 8, "100-0003");
  EXPECT_EQ(cellsReadByXlrd(path_), expected);
  EXPECT_EQ(differences(original_, path_), "changed cell records 2\n");
  EXPECT_EQ(countRows(*openWorkbook(path_, true), "住所録$", "[郵便番号] = '100-0003'"), 2);
}

TEST_P(XlsWriteTest, NumberCodeStaysANumberInItsFormat) {
  auto before = cellsReadByXlrd(path_);
  auto db = openWorkbook(path_, true);
  EXPECT_EQ(db->execute("UPDATE [住所録$] SET [旧番号] = 1009999 WHERE [旧番号] = 1000001"), 1);
  // A number cell in a text field given a text that its format shows for a number.
  EXPECT_EQ(db->execute("UPDATE [Sheet2$] SET [コード] = '1000010' WHERE [コード] = '1000009'"), 1);
  db->close();

  auto expected = before;
  const std::string b2 = cell("住所録", 1, 1);
  expected[b2].replace(expected[b2].find("1000001.0"), 9, "1009999.0");
  const std::string a8 = cell("Sheet2", 7, 0);
  expected[a8].replace(expected[a8].find("1000009.0"), 9, "1000010.0");
  EXPECT_EQ(cellsReadByXlrd(path_), expected);
  EXPECT_EQ(differences(original_, path_), "changed cell records 2\n");
}

TEST_P(XlsWriteTest, ManyNewStringsContinueTheTableAndStayReadable) {
  auto db = openWorkbook(path_, true);
  EXPECT_EQ(
      db->execute(
          "UPDATE [住所録$] SET [住所] = [住所] || '（新しい住所）' WHERE [住所] IS NOT NULL"),
      400);
  EXPECT_EQ(db->execute(
                "UPDATE [住所録$] SET [郵便番号] = '〒' || [郵便番号] WHERE [郵便番号] LIKE '1%'"),
            400);
  // Beside the names with furigana, whose strings keep their bytes.
  EXPECT_EQ(
      db->execute("UPDATE [Sheet2$] SET [コード] = 'ｺｰﾄﾞ' || [コード] WHERE [コード] IS NOT NULL"),
      7);
  db->close();

  const auto after = cellsReadByXlrd(path_);
  int changed = 0;
  for (int row = 1; row <= 400; ++row) {
    changed += after.at(cell("住所録", row, 2)).find("（新しい住所）'") != std::string::npos;
    changed += after.at(cell("住所録", row, 0)).find("'〒100-") != std::string::npos;
  }
  EXPECT_EQ(changed, 800);
  EXPECT_EQ(differences(original_, path_), "changed cell records 807\n");
  auto reopened = openWorkbook(path_, true);
  EXPECT_EQ(countRows(*reopened, "住所録$", "[住所] LIKE '%丸の内400丁目%（新しい住所）'"), 1);
  EXPECT_EQ(countRows(*reopened, "住所録$", "[郵便番号] = '〒100-0400'"), 1);
}

TEST_P(XlsWriteTest, EmptiedCellKeepsItsFormat) {
  auto before = cellsReadByXlrd(path_);
  auto db = openWorkbook(path_, true);
  EXPECT_EQ(db->execute("UPDATE [住所録$] SET [郵便番号] = NULL WHERE [郵便番号] = '100-0005'"), 1);
  db->close();
  auto expected = before;
  const std::string a6 = cell("住所録", 5, 0);
  const std::string format = expected[a6].substr(expected[a6].rfind('|'));
  EXPECT_EQ(cellsReadByXlrd(path_)[a6], "6|''|General" + format);
}

TEST_P(XlsWriteTest, EmptyCellGetsARecordBesideItsRowsCells) {
  auto before = cellsReadByXlrd(path_);
  {
    // Row 9 of Sheet2 has no record at all to stand beside (nor has row 7 in Gnumeric's file).
    auto db = openWorkbook(path_, true);
    EXPECT_THAT(
        [&] { db->execute("UPDATE [Sheet2$] SET [名前] = 'x' WHERE [名前] IS NULL"); },
        failsWith(::testing::AnyOf(HasSubstr("セル Sheet2!B7 の行にはセルのレコードがない"),
                                   HasSubstr("セル Sheet2!B9 の行にはセルのレコードがない"))));
  }
  EXPECT_TRUE(readBytes(path_) == readBytes(original_));

  auto db = openWorkbook(path_, true);
  EXPECT_EQ(db->execute("UPDATE [Sheet2$] SET [F3] = 'x' WHERE [名前] = '名前2'"), 1);
  EXPECT_EQ(db->execute("UPDATE [住所録$] SET [住所] = '100-0000' WHERE [住所] IS NULL"), 1);
  db->close();
  auto expected = before;
  expected[cell("Sheet2", 2, 2)] = "1|'x'|General|0032767";
  expected[cell("住所録", 401, 2)] = "1|'100-0000'|General|0032767";
  EXPECT_EQ(cellsReadByXlrd(path_), expected);
  EXPECT_EQ(differences(original_, path_), "changed cell records 2\n");
  EXPECT_EQ(countRows(*openWorkbook(path_, true), "住所録$", "[住所] = '100-0000'"), 1);
}

TEST_P(XlsWriteTest, FormulaCellStopsTheRunNamingTheCellAndTheFileStays) {
  auto db = openWorkbook(path_, true);
  EXPECT_THAT([&] { db->execute("UPDATE [住所録$] SET [計算] = 1 WHERE [数] = 3"); },
              failsWith(HasSubstr("住所録!D3")));
  db->close();
  EXPECT_TRUE(readBytes(path_) == readBytes(original_));
}

TEST_P(XlsWriteTest, TextLongerThanACellHoldsIsRefusedNamingTheCell) {
  auto db = openWorkbook(path_, true);
  EXPECT_THAT(
      [&] {
        db->execute(
            "UPDATE [Sheet2$] SET [名前] = replace(hex(zeroblob(20000)), '0', 'あ') "
            "WHERE [名前] = '名前1'");
      },
      failsWith(HasSubstr("セル Sheet2!B2 に入る文字数（32767 文字）を超えています")));
  db->close();
  EXPECT_TRUE(readBytes(path_) == readBytes(original_));
}

INSTANTIATE_TEST_SUITE_P(Writers, XlsWriteTest, ::testing::ValuesIn(kWriters));

}  // namespace
}  // namespace norvel::test
