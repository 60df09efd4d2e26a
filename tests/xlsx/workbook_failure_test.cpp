#include <sys/stat.h>

#include <optional>
#include <tuple>

#include "workbook_test_support.h"

#ifdef _WIN32
#include "platform/win32/win32_text.h"
#endif

namespace norvel::test {
namespace {

using ::testing::AllOf;

// The system's own words for a missing file and a refused write, as the messages carry them.
#ifdef _WIN32
const std::string kNoSuchFile = win32::systemErrorText(ERROR_FILE_NOT_FOUND);
const std::string kPermissionDenied = win32::systemErrorText(ERROR_ACCESS_DENIED);
#else
const std::string kNoSuchFile = "No such file or directory";
const std::string kPermissionDenied = "Permission denied";
#endif

TEST_F(WorkbookTest, FilesThatAreNoWorkbookFailWithTheirReasonAndStayAsTheyWere) {
  std::string xls("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
  xls.resize(1024, '\0');
  std::string encrypted = xls;  // a compound document with an "EncryptedPackage" stream
  for (std::size_t i = 0; i < 16; ++i) encrypted[600 + 2 * i] = "EncryptedPackage"[i];
  const std::string good = readBytes(book("handmade"));
  writeZip(file("other.xlsx"), {{"hello.txt", "hello"}});
  writeZip(book("formulas", "broken.xlsx"), {{kSheet1, "<worksheet><sheetData><row>"}});
  const std::string sheet1 = entryText(book("formulas"), kSheet1);
  writeZip(book("formulas", "ref.xlsx"), {{kSheet1, replaced(sheet1, {{"r=\"A1\"", "r=\"1A\""}})}});
  for (const auto& [name, bytes, text] :
       std::vector<std::tuple<std::string, std::optional<std::string>, std::string>>{
           {"ない.xlsx", {}, kNoSuchFile},
           {"empty.xlsx", "", "ファイルが空です"},
           {"old.xls", xls, "Excel 97-2003 ブック（.xls）"},
           {"secret.xlsx", encrypted, "パスワードで保護された"},
           {"text.xlsx", "this is not a workbook", "Not a zip archive"},
           {"half.xlsx", good.substr(0, good.size() / 2), "Not a zip archive"},
           // A stored entry's bytes stand in the file as they are: change one and its CRC fails.
           {"crc.xlsx", replaced(good, {{"aa12", "ab12"}}), "xl/worksheets/sheet2.xml: CRC error"},
           {"other.xlsx", {}, "Excel ブックではありません"},
           {"broken.xlsx", {}, "xl/worksheets/sheet1.xml は整形式の XML ではありません"},
           {"ref.xlsx", {}, "セル参照「1A」を読み取れません"},
       }) {
    if (bytes) writeBytes(file(name), *bytes);
    const std::string before = readBytes(file(name));
    EXPECT_THAT(
        [&] { openWorkbook(file(name), false); },
        failsWith(AllOf(HasSubstr("ブック「" + file(name) + "」を開けません: "), HasSubstr(text))))
        << name;
    EXPECT_EQ(readBytes(file(name)), before) << name;
  }
  EXPECT_FALSE(fs::exists(utf8Path(file("ない.xlsx"))));
}

TEST_F(WorkbookTest, ReadOnlyWorkbookIsLeftAsItWas) {
  const std::string path = book("addresses");
  const std::string bytes = readBytes(path);
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  auto db = openWorkbook(path, true);
  db->beginTransaction();
  EXPECT_EQ(db->execute(kUpdateText), 2);
  EXPECT_THAT([&] { db->commitTransaction(); },
              failsWith(AllOf(HasSubstr("ブック「" + path + "」を保存できません: "),
                              HasSubstr(kPermissionDenied))));
  // The copy shows what the file holds; the run's rollback afterwards does no harm.
  EXPECT_EQ(countRows(*db, "住所録$", "[郵便番号] = '100-0001'"), 2);
  db->rollbackTransaction();
  // Outside a transaction the statement itself fails.
  EXPECT_THAT([&] { db->execute(kUpdateText); }, failsWith(HasSubstr(kPermissionDenied)));
  EXPECT_EQ(countRows(*db, "住所録$", "[郵便番号] = '100-0001'"), 2);
  EXPECT_EQ(readBytes(path), bytes);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), {}), 1)
      << "a temporary file is left";
}

TEST_F(WorkbookTest, WorkbookChangedOrRemovedByAnotherProgramIsNotOverwritten) {
  const std::string path = book("addresses");
  auto db = openWorkbook(path, true);
  db->beginTransaction();
  db->execute(kUpdateText);
  const std::string theirs = readBytes(book("formulas"));
  writeBytes(path, theirs);
  EXPECT_THAT([&] { db->commitTransaction(); },
              failsWith(HasSubstr("ほかのプログラムがファイルを変更しました")));
  EXPECT_EQ(readBytes(path), theirs);

  fs::remove(utf8Path(path));
  EXPECT_THAT([&] { db->execute(kUpdateText); }, failsWith(HasSubstr(kNoSuchFile)));
  EXPECT_FALSE(fs::exists(utf8Path(path)));
}

TEST_F(WorkbookTest, OnlySelectAndUpdateOfFieldsRunAndAClosedConnectionRefusesAll) {
  const std::string path = book("addresses");
  const std::string bytes = readBytes(path);
  auto db = openWorkbook(path, true);
  for (const auto& [sql, text] : Texts{
           {"INSERT INTO [住所録$] ([郵便番号]) VALUES ('1')", "行を追加できません"},
           {"DELETE FROM [住所録$]", "行を削除できません"},
           {"DROP TABLE [住所録$]", "対応しているのは SELECT と UPDATE だけです"},
           {"ATTACH ':memory:' AS other", "対応しているのは SELECT と UPDATE だけです"},
           {"BEGIN", "接続が開始・終了します"},
           {"UPDATE [住所録$] SET rowid = 99", "更新できるのはワークシートのフィールドだけです"},
           {"UPDATE temp.norvel_changed_cells SET row = 1",
            "更新できるのはワークシートのフィールドだけです"},
           {"UPDATE [住所録$]\r SETT [備考] = 'x'", "syntax error"},
       }) {
    EXPECT_THAT([&] { db->execute(sql); }, failsWith(HasSubstr(text))) << sql;
  }
  for (const auto& [sql, text] :
       Texts{{"UPDATE [住所録$] SET [備考] = 'x'", "ブックを変更することはできません"},
             {probeSql("住所録$", "番地"), "no such column: 番地"},
             {probeSql("住所$", "郵便番号"), "no such table"}}) {
    EXPECT_THAT([&] { db->query(sql); }, failsWith(HasSubstr(text))) << sql;
  }
  EXPECT_THAT([&] { db->commitTransaction(); },
              failsWith(HasSubstr("トランザクションが開始されていません")));
  db->beginTransaction();
  EXPECT_THAT([&] { db->beginTransaction(); },
              failsWith(HasSubstr("トランザクションがすでに開始されています")));
  db->rollbackTransaction();
  db->rollbackTransaction();
  EXPECT_EQ(countRows(*db, "住所録$", "1=1"), 5);

  db->close();
  db->close();
  const std::string closed = "オブジェクトが閉じている場合は、操作は許可されません。";
  EXPECT_THAT([&] { db->execute(kUpdateText); }, failsWith(closed));
  EXPECT_THAT([&] { db->tableNames(); }, failsWith(closed));
  EXPECT_EQ(readBytes(path), bytes);
}

}  // namespace
}  // namespace norvel::test
