// Whole opens through the layer the application uses, on real files and real drivers.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/odbc/odbc_connection.h"
#include "platform/routing/routing_database_layer.h"
#include "sqlite_test_support.h"

namespace norvel {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

std::string openError(const std::string& connection_string) {
  try {
    RoutingDatabaseLayer().open(connection_string);
  } catch (const DatabaseError& error) {
    return error.what();
  }
  return "(opened)";
}

class RoutingDatabaseLayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::createDatabase(
        file_,
        "CREATE TABLE 住所(郵便番号 text, 市区町村 text);"
        "INSERT INTO 住所 VALUES ('100-0001', '千代田区'), ('100-0001', '千代田区');");
  }

  test::TempDir dir_;
  std::string file_ = dir_.file("住所.mdb");
};

TEST_F(RoutingDatabaseLayerTest, AccessTabStringOpensAnSqliteFileForAWholeRun) {
  const auto db =
      RoutingDatabaseLayer().open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + file_);
  EXPECT_THAT(db->tableNames(), ElementsAre("住所"));
  EXPECT_THAT(db->columnNames("住所"), ElementsAre("郵便番号", "市区町村"));
  db->beginTransaction();
  EXPECT_EQ(db->query("SELECT 郵便番号\r FROM 住所\r WHERE 1=0\r").first_column_type,
            ado::adVarWChar);
  EXPECT_EQ(db->execute("UPDATE 住所\r SET 郵便番号 = '100-0002' WHERE 郵便番号 = '100-0001'"), 2);
  db->commitTransaction();
  EXPECT_EQ(test::scalar(file_, "SELECT count(*) FROM 住所 WHERE 郵便番号 = '100-0002'"), "2");
}

TEST_F(RoutingDatabaseLayerTest, SqliteProviderStringOpensTheFile) {
  const auto db = RoutingDatabaseLayer().open("Provider=SQLite;Data Source=" + file_);
  EXPECT_THAT(db->tableNames(), ElementsAre("住所"));
}

TEST_F(RoutingDatabaseLayerTest, MissingFilesAreNeverCreated) {
  const std::string missing = dir_.file("typo.mdb");
  EXPECT_EQ(openError("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + missing),
            "The file does not exist: " + missing);
  EXPECT_THAT(openError("Provider=SQLite;Data Source=" + missing),
              HasSubstr("unable to open database file"));
  EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST_F(RoutingDatabaseLayerTest, OdbcStringReachesTheDriverUnchanged) {
  const auto drivers = installedOdbcDrivers();
  ASSERT_THAT(drivers, ::testing::Contains("SQLite3")) << "libsqliteodbc is not registered";
  // The SQLite3 ODBC driver is ANSI: only ASCII names here.
  const std::string file = dir_.file("ascii.db");
  test::createDatabase(file, "CREATE TABLE addresses(code text);");
  for (const std::string& text : {"Driver={SQLite3};Database=" + file + ";",
                                  "Provider=MSDASQL;Driver={SQLite3};Database=" + file}) {
    const auto db = RoutingDatabaseLayer().open(text);
    EXPECT_THAT(db->tableNames(), ElementsAre("addresses")) << text;
  }
}

// The header-row choice of the Excel tab reaches the workbook: field names from row 1, or
// F1…Fn. The workbook is written by openpyxl, as another program would.
TEST_F(RoutingDatabaseLayerTest, ExcelTabStringOpensTheWorkbookWithItsHeaderChoice) {
  const std::string book = dir_.file("住所.xlsx");
  const std::string script =
      std::string(NORVEL_PYTHON3) +
      " -c \"import openpyxl,sys; b=openpyxl.Workbook(); s=b.active; s.title='Sheet1'; "
      "s.append(['郵便番号', '市区町村']); s.append(['100-0001', '千代田区']); "
      "b.save(sys.argv[1])\" '" +
      book + "'";
  ASSERT_EQ(std::system(script.c_str()), 0) << "python3-openpyxl is needed";
  const std::string text =
      "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + book + ";Extended Properties=\"Excel 8.0;";
  const auto with_names = RoutingDatabaseLayer().open(text + "\"");
  EXPECT_THAT(with_names->tableNames(), ElementsAre("Sheet1$"));
  EXPECT_THAT(with_names->columnNames("Sheet1$"), ElementsAre("郵便番号", "市区町村"));
  const auto without_names = RoutingDatabaseLayer().open(text + "HDR=No;\"");
  EXPECT_THAT(without_names->columnNames("Sheet1$"), ElementsAre("F1", "F2"));
}

TEST_F(RoutingDatabaseLayerTest, UnsupportedStringsFailWithADescription) {
  EXPECT_THAT(openError("Provider=SQLOLEDB;Data Source=server"),
              HasSubstr("The provider SQLOLEDB is not supported. Supported are:"));
  EXPECT_THAT(openError(""), HasSubstr("Supported are:"));
}

TEST_F(RoutingDatabaseLayerTest, OracleWithoutRegisteredDriverSaysSo) {
  for (const auto& driver : installedOdbcDrivers()) {
    if (driver.find("Oracle") != std::string::npos)
      GTEST_SKIP() << "an Oracle driver is registered";
  }
  EXPECT_THAT(openError("Provider=OraOLEDB.Oracle.1;Persist Security Info=False;User ID=scott;"
                        "Password =tiger;Data Source=ORCL;"),
              HasSubstr("No Oracle ODBC driver is registered"));
}

}  // namespace
}  // namespace norvel
