// A workbook that carries a VBA project: a run changes its cells and nothing of the macros.
#include "xls_test_support.h"

namespace norvel::test {
namespace {

using ::testing::ElementsAre;

Names streamsOf(const std::string& path) {
  Names lines;
  std::istringstream out(runCheck({"streams", norvel::testing::hostPath(path)}));
  for (std::string line; std::getline(out, line);) lines.push_back(line);
  return lines;
}

class XlsMacroTest : public XlsTest {
 protected:
  std::string path_ = book("macros_gsf");
  std::string original_ = book("macros_gsf", "original.xls");
};

TEST_F(XlsMacroTest, TheMacroStorageKeepsItsBytesAfterARun) {
  auto db = openWorkbook(path_, true);
  EXPECT_EQ(
      db->execute("UPDATE [住所録$] SET [郵便番号] = '100-9999' WHERE [郵便番号] = '100-0001'"), 1);
  EXPECT_EQ(db->execute("UPDATE [住所録$] SET [旧番号] = 1009999 WHERE [旧番号] = 1000002"), 1);
  db->close();

  // Every stream beside the workbook's, the one past the mini stream's cut-off too, byte for
  // byte, and the directory tree as it was.
  EXPECT_EQ(differences(original_, path_), "changed cell records 2\n");
  EXPECT_THAT(
      streamsOf(path_),
      ElementsAre(HasSubstr("Workbook\t"), "_VBA_PROJECT_CUR/PROJECT\t329",
                  "_VBA_PROJECT_CUR/PROJECTwm\t65", "_VBA_PROJECT_CUR/VBA/Module1\t5083",
                  "_VBA_PROJECT_CUR/VBA/ThisWorkbook\t900", "_VBA_PROJECT_CUR/VBA/_VBA_PROJECT\t7",
                  "_VBA_PROJECT_CUR/VBA/dir\t1500"));
  auto reopened = openWorkbook(path_, true);
  EXPECT_EQ(countRows(*reopened, "住所録$", "[郵便番号] = '100-9999'"), 1);
  EXPECT_EQ(countRows(*reopened, "住所録$", "[旧番号] = 1009999"), 1);
}

TEST_F(XlsMacroTest, ARunThatFailsLeavesTheFileAsItWas) {
  auto db = openWorkbook(path_, true);
  db->beginTransaction();
  EXPECT_EQ(
      db->execute("UPDATE [住所録$] SET [郵便番号] = '100-9999' WHERE [郵便番号] = '100-0001'"), 1);
  EXPECT_THAT([&] { db->execute("UPDATE [住所録$] SET [計算] = 1 WHERE [数] = 3"); },
              failsWith(HasSubstr("住所録!D3")));
  db->rollbackTransaction();
  db->close();
  EXPECT_TRUE(readBytes(path_) == readBytes(original_));
}

}  // namespace
}  // namespace norvel::test
