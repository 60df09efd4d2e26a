// Whole opens through the layer the application uses, on real files and real drivers.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/routing/routing_database_layer.h"
#include "support/host_program.h"
#include "support/sqlite_fixture.h"
#include "support/temp_dir.h"

namespace norvel {
namespace {

using ::testing::ElementsAre;

class RoutingDatabaseLayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::SqliteFile(file_).exec(
        "CREATE TABLE 住所(郵便番号 text, 市区町村 text);"
        "INSERT INTO 住所 VALUES ('100-0001', '千代田区'), ('100-0001', '千代田区');");
  }

  testing::TempDir dir_;
  std::string file_ = dir_.file("住所.mdb");
};

TEST_F(RoutingDatabaseLayerTest, EachKindOfStringOpensItsFileAndMissingFilesAreNotCreated) {
  for (const std::string& text : {"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + file_,
                                  "Provider=SQLite;Data Source=" + file_}) {
    const auto db = RoutingDatabaseLayer().open(text);
    EXPECT_THAT(db->columnNames("住所"), ElementsAre("郵便番号", "市区町村")) << text;
    EXPECT_EQ(db->execute("UPDATE 住所\r SET 市区町村 = 'x' WHERE 郵便番号 = '100-0001'"), 2);
  }
  // The SQLite3 ODBC driver is ANSI, reached through a locale this test does not set: ASCII only.
  const std::string ascii = dir_.file("ascii.db");
  testing::SqliteFile(ascii).exec("CREATE TABLE addresses(code text);");
  EXPECT_THAT(RoutingDatabaseLayer().open("Driver={SQLite3};Database=" + ascii)->tableNames(),
              ElementsAre("addresses"));
  const std::string missing = dir_.file("typo.mdb");
  EXPECT_THROW(RoutingDatabaseLayer().open("Provider=SQLite;Data Source=" + missing),
               DatabaseError);
  EXPECT_FALSE(std::filesystem::exists(missing));
}

// The header-row choice of the Excel tab reaches the workbook: field names from row 1, or
// F1…Fn. The workbook is written by openpyxl, as another program would.
TEST_F(RoutingDatabaseLayerTest, ExcelTabStringOpensTheWorkbookWithItsHeaderChoice) {
  const std::string book = dir_.file("住所.xlsx");
  if (const std::string why = testing::hostProgramsUnavailable(); !why.empty()) GTEST_SKIP() << why;
  const std::string script =
      "import openpyxl,sys; b=openpyxl.Workbook(); s=b.active; s.title='Sheet1'; "
      "s.append(['郵便番号', '市区町村']); s.append(['100-0001', '千代田区']); b.save(sys.argv[1])";
  ASSERT_EQ(
      testing::runHostProgram(NORVEL_PYTHON3, {"-c", script, testing::hostPath(book)}).exit_code, 0)
      << "python3-openpyxl is needed";
  const std::string text =
      "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + book + ";Extended Properties=\"Excel 8.0;";
  EXPECT_THAT(RoutingDatabaseLayer().open(text + "\"")->columnNames("Sheet1$"),
              ElementsAre("郵便番号", "市区町村"));
  EXPECT_THAT(RoutingDatabaseLayer().open(text + "HDR=No;\"")->columnNames("Sheet1$"),
              ElementsAre("F1", "F2"));
}

}  // namespace
}  // namespace norvel
