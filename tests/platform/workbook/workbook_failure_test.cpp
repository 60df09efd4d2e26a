#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/workbook/workbook_layer.h"
#include "workbook_test_support.h"

namespace norvel {
namespace {

using test::countRows;
using test::readFile;
using test::TempDir;
using test::updateSql;
using test::writeFile;

const char* const kUpdateText =
    "UPDATE [住所録$]\r SET [郵便番号] = '100-0002' WHERE [郵便番号] = '100-0001'";

// The description of the failure, which the user sees.
template <typename F>
std::string failureOf(F&& action) {
  try {
    action();
  } catch (const DatabaseError& e) {
    return e.what();
  }
  ADD_FAILURE() << "no DatabaseError";
  return {};
}

MATCHER_P(Mentions, text, "") {
  return arg.find(text) != std::string::npos;
}

std::string compoundDocumentHeader() {
  std::string bytes("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
  bytes.resize(1024, '\0');
  return bytes;
}

TEST(WorkbookOpenFailure, MissingFileIsNeverCreated) {
  TempDir dir;
  const std::string path = dir.file("ない.xlsx");
  const std::string message = failureOf([&] { openWorkbook(path, true); });
  EXPECT_THAT(message, Mentions("No such file or directory"));
  EXPECT_THAT(message, Mentions(path));
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(WorkbookOpenFailure, ExcelBinaryWorkbookAsksToSaveAsXlsx) {
  TempDir dir;
  const std::string path = dir.file("old.xls");
  writeFile(path, compoundDocumentHeader());
  const std::string message = failureOf([&] { openWorkbook(path, true); });
  EXPECT_THAT(message, Mentions("Excel 97-2003 workbook (.xls)"));
  EXPECT_THAT(message, Mentions("save it as an Excel Workbook (.xlsx)"));
  EXPECT_EQ(readFile(path), compoundDocumentHeader());
}

TEST(WorkbookOpenFailure, PasswordProtectedWorkbookSaysSo) {
  TempDir dir;
  const std::string path = dir.file("secret.xlsx");
  std::string bytes = compoundDocumentHeader();
  const std::string name = "EncryptedPackage";
  for (std::size_t i = 0; i < name.size(); ++i) bytes[600 + 2 * i] = name[i];
  writeFile(path, bytes);
  EXPECT_THAT(failureOf([&] { openWorkbook(path, true); }), Mentions("password"));
}

TEST(WorkbookOpenFailure, DamagedFilesCarryLibzipsOwnText) {
  TempDir dir;
  const std::string good = test::writeAddressBook(dir);
  const std::string bytes = readFile(good);
  struct Case {
    const char* name;
    std::string bytes;
    const char* text;
  };
  const Case cases[] = {
      {"text.xlsx", "this is not a workbook", "Not a zip archive"},
      {"half.xlsx", bytes.substr(0, bytes.size() / 2), "Not a zip archive"},
      {"empty.xlsx", "", "the file is empty"},
  };
  for (const Case& c : cases) {
    const std::string path = dir.file(c.name);
    writeFile(path, c.bytes);
    const std::string message = failureOf([&] { openWorkbook(path, false); });
    EXPECT_THAT(message, Mentions(c.text)) << c.name;
    EXPECT_THAT(message, Mentions(path)) << c.name;
    EXPECT_EQ(readFile(path), c.bytes) << c.name;
  }
}

TEST(WorkbookOpenFailure, DamagedEntryNamesThePart) {
  TempDir dir;
  const std::string path = dir.file("crc.xlsx");
  // A stored entry's bytes stand in the file as they are: change one and its CRC fails.
  auto entries = test::workbookPackage(
      {{"Sheet1", test::worksheet(R"(<row r="1"><c r="A1"><v>12345</v></c></row>)")}});
  for (auto& entry : entries) entry.stored = true;
  test::writeZip(path, entries);
  std::string bytes = readFile(path);
  const auto at = bytes.find("12345");
  ASSERT_NE(at, std::string::npos);
  bytes[at] = '9';
  writeFile(path, bytes);
  const std::string message = failureOf([&] { openWorkbook(path, false); });
  EXPECT_THAT(message, Mentions("xl/worksheets/sheet1.xml"));
  EXPECT_THAT(message, Mentions("CRC error"));
}

TEST(WorkbookOpenFailure, ZipThatIsNoWorkbookAndMalformedXml) {
  TempDir dir;
  const std::string other = dir.file("other.xlsx");
  test::writeZip(other, {{"hello.txt", "hello"}});
  EXPECT_THAT(failureOf([&] { openWorkbook(other, true); }), Mentions("not an Excel workbook"));

  const std::string broken = dir.file("broken.xlsx");
  test::writeZip(broken, test::workbookPackage({{"Sheet1", "<worksheet><sheetData><row>"}}));
  const std::string message = failureOf([&] { openWorkbook(broken, true); });
  EXPECT_THAT(message, Mentions("xl/worksheets/sheet1.xml is not well-formed XML"));

  const std::string bad_ref = dir.file("ref.xlsx");
  test::writeZip(bad_ref,
                 test::workbookPackage(
                     {{"Sheet1", test::worksheet(R"(<row r="1"><c r="1A"><v>1</v></c></row>)")}}));
  EXPECT_THAT(failureOf([&] { openWorkbook(bad_ref, true); }), Mentions("\"1A\""));
}

TEST(WorkbookOpenFailure, FolderIsNoWorkbook) {
  TempDir dir;
  EXPECT_THAT(failureOf([&] { openWorkbook(dir.path(), true); }), Mentions("Is a directory"));
}

class WorkbookSaveFailure : public ::testing::Test {
 protected:
  TempDir dir_;
  std::string path_ = test::writeAddressBook(dir_);
  std::string bytes_ = readFile(path_);
};

TEST_F(WorkbookSaveFailure, ReadOnlyWorkbookIsLeftAsItWas) {
  ASSERT_EQ(::chmod(path_.c_str(), 0444), 0);
  auto connection = openWorkbook(path_, true);
  connection->beginTransaction();
  EXPECT_EQ(connection->execute(kUpdateText), 2);
  const std::string message = failureOf([&] { connection->commitTransaction(); });
  EXPECT_THAT(message, Mentions("Permission denied"));
  EXPECT_THAT(message, Mentions("Cannot save the workbook"));
  EXPECT_EQ(readFile(path_), bytes_);
  EXPECT_EQ(dir_.entries(), std::vector<std::string>{"住所録.xlsx"});
  // The copy shows what the file holds; the run's rollback afterwards does no harm.
  EXPECT_EQ(countRows(*connection, "住所録$", "[郵便番号] = '100-0001'"), 2);
  connection->rollbackTransaction();

  // Outside a transaction the statement itself fails and changes nothing.
  EXPECT_THAT(failureOf([&] { connection->execute(kUpdateText); }), Mentions("Permission denied"));
  EXPECT_EQ(countRows(*connection, "住所録$", "[郵便番号] = '100-0001'"), 2);
  EXPECT_EQ(readFile(path_), bytes_);
}

TEST_F(WorkbookSaveFailure, WorkbookChangedByAnotherProgramIsNotOverwritten) {
  auto connection = openWorkbook(path_, true);
  connection->beginTransaction();
  connection->execute(kUpdateText);
  // Another program saves the workbook meanwhile.
  test::writeZip(path_, test::workbookPackage({{"住所録", test::worksheet("")}}));
  const std::string theirs = readFile(path_);
  EXPECT_THAT(failureOf([&] { connection->commitTransaction(); }),
              Mentions("changed by another program"));
  EXPECT_EQ(readFile(path_), theirs);
}

TEST_F(WorkbookSaveFailure, RemovedWorkbookIsNotCreatedAgain) {
  auto connection = openWorkbook(path_, true);
  std::filesystem::remove(path_);
  EXPECT_THAT(failureOf([&] { connection->execute(kUpdateText); }),
              Mentions("No such file or directory"));
  EXPECT_TRUE(dir_.entries().empty());
}

TEST_F(WorkbookSaveFailure, StatementsOtherThanSelectAndUpdateAreRefused) {
  auto connection = openWorkbook(path_, true);
  struct Case {
    const char* sql;
    const char* text;
  };
  const Case cases[] = {
      {"INSERT INTO [住所録$] ([郵便番号]) VALUES ('1')", "cannot be added"},
      {"DELETE FROM [住所録$]", "cannot be deleted"},
      {"DROP TABLE [住所録$]", "only SELECT and UPDATE"},
      {"CREATE TABLE x (a)", "only SELECT and UPDATE"},
      {"ALTER TABLE [住所録$] ADD COLUMN x", "only SELECT and UPDATE"},
      {"ATTACH ':memory:' AS other", "only SELECT and UPDATE"},
      {"PRAGMA writable_schema = 1", "only SELECT and UPDATE"},
      {"BEGIN", "by the connection"},
      {"UPDATE [住所録$] SET rowid = 99", "Only the fields"},
      {"UPDATE temp.norvel_changed_cells SET row = 1", "Only the fields"},
  };
  for (const Case& c : cases) {
    EXPECT_THAT(failureOf([&] { connection->execute(c.sql); }), Mentions(c.text)) << c.sql;
  }
  EXPECT_THAT(failureOf([&] { connection->query("UPDATE [住所録$] SET [備考] = 'x'"); }),
              Mentions("must not change"));
  EXPECT_THAT(failureOf([&] { connection->execute("UPDATE [住所録$]\r SETT [備考] = 'x'"); }),
              Mentions("syntax error"));
  EXPECT_EQ(countRows(*connection, "住所録$", "1=1"), 5);
  EXPECT_EQ(readFile(path_), bytes_);
}

TEST_F(WorkbookSaveFailure, ClosedConnectionRefusesEveryOperation) {
  auto connection = openWorkbook(path_, true);
  connection->close();
  connection->close();
  const std::string closed = "Operation is not allowed when the object is closed.";
  EXPECT_EQ(failureOf([&] { connection->execute(kUpdateText); }), closed);
  EXPECT_EQ(failureOf([&] { connection->query(test::probeSql("住所録$", "郵便番号")); }), closed);
  EXPECT_EQ(failureOf([&] { connection->beginTransaction(); }), closed);
  EXPECT_EQ(failureOf([&] { connection->tableNames(); }), closed);
  EXPECT_EQ(readFile(path_), bytes_);
}

TEST_F(WorkbookSaveFailure, TransactionsDoNotNest) {
  auto connection = openWorkbook(path_, true);
  EXPECT_THAT(failureOf([&] { connection->commitTransaction(); }), Mentions("no transaction"));
  connection->beginTransaction();
  EXPECT_THAT(failureOf([&] { connection->beginTransaction(); }), Mentions("within a transaction"));
  connection->rollbackTransaction();
  connection->rollbackTransaction();
}

}  // namespace
}  // namespace norvel
