// Which back end each kind of connection string reaches. The strings are built exactly as the
// window builds them for its tabs, or typed as a user would.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/database.h"
#include "platform/routing/connection_route.h"
#include "sqlite_test_support.h"

namespace norvel::routing {
namespace {

using Backend = ConnectionRoute::Backend;
using ::testing::HasSubstr;

const std::vector<std::string> kDebianDrivers = {
    "PostgreSQL ANSI", "PostgreSQL Unicode", "MariaDB Unicode", "SQLite", "SQLite3", "MDBTools"};

DriverList drivers(std::vector<std::string> names) {
  return [names] { return names; };
}

// Routes that need no driver must not ask the driver manager.
const DriverList kNoLookup = []() -> std::vector<std::string> {
  ADD_FAILURE() << "driver list asked for";
  return {};
};

std::string accessString(const std::string& path) {
  return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path;
}

std::string excelString(const std::string& path, bool header_row) {
  return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path +
         ";Extended Properties=\"Excel 8.0;" + (header_row ? "" : "HDR=No;") + "\"";
}

std::string oracleString(const std::string& user, const std::string& password,
                         const std::string& host) {
  return "Provider=OraOLEDB.Oracle.1;Persist Security Info=False;User ID=" + user +
         ";Password =" + password + ";Data Source=" + host + ";";
}

std::string routeError(const std::string& connection_string, const DriverList& list) {
  try {
    routeConnectionString(connection_string, list);
  } catch (const DatabaseError& error) {
    return error.what();
  }
  return "(routed)";
}

class ConnectionRouteTest : public ::testing::Test {
 protected:
  std::string write(const std::string& name, const std::string& bytes) const {
    const std::string file = dir_.file(name);
    std::ofstream(file, std::ios::binary) << bytes;
    return file;
  }

  // The first bytes of an Access file: a page header, then the format's name.
  std::string accessFile(const std::string& name, const std::string& format) const {
    std::string bytes("\x00\x01\x00\x00", 4);
    bytes += "Standard " + format + " DB";
    bytes += std::string(2048 - bytes.size(), '\0');
    return write(name, bytes);
  }

  std::string sqliteFile(const std::string& name) const {
    const std::string file = dir_.file(name);
    test::createDatabase(file, "CREATE TABLE 住所(郵便番号 text);");
    return file;
  }

  test::TempDir dir_;
};

TEST_F(ConnectionRouteTest, AccessTabWithSqliteFileOpensSqlite) {
  const std::string file = sqliteFile("住所.mdb");
  const auto route = routeConnectionString(accessString(file), kNoLookup);
  EXPECT_EQ(route.backend, Backend::kSqlite);
  EXPECT_EQ(route.target, file);
}

TEST_F(ConnectionRouteTest, AccessTabWithJetOrAceFileUsesTheRegisteredAccessDriver) {
  const std::string mdb = accessFile("old.mdb", "Jet");
  const std::string accdb = accessFile("new.accdb", "ACE");
  for (const auto& file : {mdb, accdb}) {
    const auto route = routeConnectionString(accessString(file), drivers(kDebianDrivers));
    EXPECT_EQ(route.backend, Backend::kOdbc);
    EXPECT_EQ(route.target, "Driver={MDBTools};DBQ=" + file + ";");
  }
  const auto ace = routeConnectionString("Provider=Microsoft.ACE.OLEDB.12.0;Data Source=" + accdb,
                                         drivers({"Microsoft Access Driver (*.mdb, *.accdb)"}));
  EXPECT_EQ(ace.target, "Driver={Microsoft Access Driver (*.mdb, *.accdb)};DBQ=" + accdb + ";");

  // A ';' in a path needs quotes in the ADO string and braces in the ODBC one.
  const std::string odd_name = accessFile("a;b.mdb", "Jet");
  EXPECT_EQ(
      routeConnectionString(accessString("\"" + odd_name + "\""), drivers(kDebianDrivers)).target,
      "Driver={MDBTools};DBQ={" + odd_name + "};");
}

TEST_F(ConnectionRouteTest, AccessFileWithoutDriverSaysHowToGetOne) {
  const std::string file = accessFile("old.mdb", "Jet");
  const std::string error = routeError(accessString(file), drivers({"PostgreSQL Unicode"}));
  EXPECT_THAT(error, HasSubstr("No ODBC driver for Access databases is registered"));
  EXPECT_THAT(error, HasSubstr("odbcinst -q -d"));
  EXPECT_THAT(error, HasSubstr(file));
}

TEST_F(ConnectionRouteTest, MissingFileIsReportedAndNotCreated) {
  const std::string file = dir_.file("typo.mdb");
  EXPECT_EQ(routeError(accessString(file), kNoLookup), "The file does not exist: " + file);
  EXPECT_EQ(routeError(excelString(file, false), kNoLookup), "The file does not exist: " + file);
  EXPECT_EQ(routeError(accessString(dir_.file("no/such/dir.mdb")), kNoLookup),
            "The file does not exist: " + dir_.file("no/such/dir.mdb"));
  EXPECT_TRUE(std::filesystem::is_empty(dir_.path()));
  EXPECT_EQ(routeError(accessString(""), kNoLookup),
            "The connection string names no Data Source file.");
}

TEST_F(ConnectionRouteTest, OtherFilesAreRefusedWithWhatIsSupported) {
  const struct {
    std::string file;
    const char* says;
  } cases[] = {
      {write("pairs.csv", "100-0001,100-0002\r\n"), "is neither an SQLite nor an Access database"},
      {write("empty.mdb", ""), "is neither an SQLite nor an Access database"},
      {write("book.xls",
             std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(504, '\0')),
       "is an Excel 97-2003 workbook"},
      {write("book.xlsx", std::string("PK\x03\x04", 4) + std::string(60, '\0')),
       "is a ZIP package"},
      {dir_.path().string(), "is a folder"},
  };
  for (const auto& c : cases) {
    const std::string error = routeError(accessString(c.file), kNoLookup);
    EXPECT_THAT(error, HasSubstr(c.says)) << c.file;
    EXPECT_THAT(error, HasSubstr(c.file));
  }
  EXPECT_THAT(routeError(accessString(cases[0].file), kNoLookup), HasSubstr("Supported are:"));
}

TEST_F(ConnectionRouteTest, ExcelTabGoesToTheWorkbookLayerWhateverTheFileIs) {
  const struct {
    std::string file;
  } files[] = {
      {write("old.xls",
             std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(504, '\0'))},
      {write("new.xlsx", std::string("PK\x03\x04", 4) + std::string(60, '\0'))},
      {write("text.xls", "not a workbook")},
  };
  for (const auto& f : files) {
    for (const bool header_row : {true, false}) {
      const auto route = routeConnectionString(excelString(f.file, header_row), kNoLookup);
      EXPECT_EQ(route.backend, Backend::kWorkbook) << f.file;
      EXPECT_EQ(route.target, f.file);
      EXPECT_EQ(route.header_row, header_row) << f.file;
    }
  }
}

TEST_F(ConnectionRouteTest, ExcelPropertiesAsOtherProgramsWriteThem) {
  const std::string file = write("book.xlsx", std::string("PK\x03\x04", 4));
  const struct {
    std::string text;
    bool header_row;
  } cases[] = {
      {"Provider=Microsoft.ACE.OLEDB.12.0;Data Source=" + file +
           ";Extended Properties='Excel 12.0 Xml;HDR=NO;IMEX=1'",
       false},
      {"provider=microsoft.jet.oledb.4.0; data source = " + file +
           " ; extended properties=\"Excel 8.0;HDR=Yes\"",
       true},
      {"Provider=Microsoft.Jet.OLEDB.4.0;Extended Properties=Excel 8.0;Data Source=" + file, true},
  };
  for (const auto& c : cases) {
    const auto route = routeConnectionString(c.text, kNoLookup);
    EXPECT_EQ(route.backend, Backend::kWorkbook) << c.text;
    EXPECT_EQ(route.target, file) << c.text;
    EXPECT_EQ(route.header_row, c.header_row) << c.text;
  }
}

TEST(OracleRouteTest, UsesTheRegisteredOracleDriverWithUserPasswordAndHost) {
  const auto list = drivers({"PostgreSQL Unicode", "Oracle 19 ODBC driver", "Oracle 21"});
  EXPECT_EQ(routeConnectionString(oracleString("scott", "tiger", "ORCL"), list).target,
            "Driver={Oracle 19 ODBC driver};DBQ=ORCL;UID=scott;PWD=tiger;");
  EXPECT_EQ(routeConnectionString(oracleString("scott", "tiger", ""), list).target,
            "Driver={Oracle 19 ODBC driver};DBQ=;UID=scott;PWD=tiger;");
  EXPECT_EQ(routeConnectionString(oracleString("scott", "ti}ger", "//db:1521/x"), list).target,
            "Driver={Oracle 19 ODBC driver};DBQ=//db:1521/x;UID=scott;PWD={ti}}ger};");
  EXPECT_EQ(routeConnectionString(oracleString("scott", "tiger", "ORCL"), list).backend,
            Backend::kOdbc);
}

TEST(OracleRouteTest, WithoutOracleDriverSaysSo) {
  const std::string error =
      routeError(oracleString("scott", "tiger", "ORCL"), drivers(kDebianDrivers));
  EXPECT_THAT(error, HasSubstr("No Oracle ODBC driver is registered (odbcinst -q -d"));
  EXPECT_THAT(error, ::testing::Not(HasSubstr("tiger")));
}

TEST(OdbcRouteTest, OdbcStringsArePassedThroughUnchanged) {
  for (const std::string text :
       {"Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=5432;Database=norvel;UID=u;PWD={a;b}",
        "DSN=postal;UID=u;PWD=p", "FILEDSN=/etc/odbc/postal.dsn", " driver = {SQLite3} ;Database=x",
        "Data Source=x;DSN=y"}) {
    const auto route = routeConnectionString(text, kNoLookup);
    EXPECT_EQ(route.backend, Backend::kOdbc);
    EXPECT_EQ(route.target, text);
  }
}

TEST(OdbcRouteTest, MsdasqlStringLosesOnlyTheOleDbKeys) {
  const struct {
    const char* text;
    const char* odbc;
  } cases[] = {
      {"Provider=MSDASQL;Driver={PostgreSQL Unicode};Server=localhost;Database=x",
       "Driver={PostgreSQL Unicode};Server=localhost;Database=x"},
      {"Driver={SQLite3}; Provider=MSDASQL.1 ;Database=/tmp/x;y.db",
       "Driver={SQLite3};Database=/tmp/x;y.db"},
      {"Provider=MSDASQL.1;Persist Security Info=False;User ID=u;Password=p;"
       "Extended Properties=\"DSN=postal;Database=x;\"",
       "UID=u;PWD=p;DSN=postal;Database=x"},
  };
  for (const auto& c : cases) {
    const auto route = routeConnectionString(c.text, kNoLookup);
    EXPECT_EQ(route.backend, Backend::kOdbc);
    EXPECT_EQ(route.target, c.odbc) << c.text;
  }
}

TEST(SqliteRouteTest, SqliteProviderNamesTheFile) {
  const auto route = routeConnectionString("Provider=SQLite;Data Source=/data/住所.db", kNoLookup);
  EXPECT_EQ(route.backend, Backend::kSqlite);
  EXPECT_EQ(route.target, "/data/住所.db");
  EXPECT_EQ(routeError("Provider=SQLite", kNoLookup),
            "The connection string names no Data Source file.");
}

TEST(UnsupportedRouteTest, DescribesWhatIsSupported) {
  const struct {
    const char* text;
    const char* says;
  } cases[] = {
      {"Provider=SQLOLEDB;Data Source=srv;Initial Catalog=x",
       "The provider SQLOLEDB is not supported."},
      {"", "names no provider, ODBC driver or data source"},
      {"Data Source=/tmp/a.db", "names no provider, ODBC driver or data source"},
      {"just some text", "names no provider, ODBC driver or data source"},
  };
  for (const auto& c : cases) {
    const std::string error = routeError(c.text, kNoLookup);
    EXPECT_THAT(error, HasSubstr(c.says)) << c.text;
    EXPECT_THAT(error, HasSubstr("Supported are: Provider=Microsoft.Jet.OLEDB.4.0")) << c.text;
    EXPECT_THAT(error, HasSubstr("Driver=, DSN= or FILEDSN=")) << c.text;
  }
}

}  // namespace
}  // namespace norvel::routing
