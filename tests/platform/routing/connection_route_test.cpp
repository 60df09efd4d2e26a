// Which back end each kind of connection string reaches, and with what. The strings are built
// as the window builds them for its tabs, or typed as a user would.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "catalog/failure_texts.h"
#include "platform/database.h"
#include "platform/routing/connection_route.h"
#include "support/sqlite_fixture.h"
#include "support/temp_dir.h"

namespace norvel::routing {
namespace {

using Backend = ConnectionRoute::Backend;
using ::testing::HasSubstr;
using ::testing::Not;

// The driver names and advice of unixODBC, wherever the tests run; Windows' have their own test.
constexpr HostProgram kUnixOdbc{false, 64};

class ConnectionRouteTest : public ::testing::Test {
 protected:
  std::string write(const std::string& name, const std::string& bytes) const {
    testing::writeBytes(dir_.file(name), bytes);
    return dir_.file(name);
  }
  // An Access file's first bytes: a page header, then the format's name.
  std::string accessFile(const std::string& name, const std::string& format) const {
    return write(name, std::string("\x00\x01\x00\x00", 4) + "Standard " + format + " DB" +
                           std::string(2000, '\0'));
  }

  testing::TempDir dir_;
};

TEST_F(ConnectionRouteTest, EachKindOfStringReachesItsBackEnd) {
  const std::string jet = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=";
  const std::string sqlite = dir_.file("住所.mdb");
  testing::SqliteFile(sqlite).exec("CREATE TABLE 住所(郵便番号 text);");
  const std::string mdb = accessFile("old.mdb", "Jet");
  const std::string accdb = accessFile("new.accdb", "ACE");
  const std::string odd = accessFile("a;b.mdb", "Jet");
  const std::string xls = write("old.xls", "not even a workbook");
  const std::string oracle =
      "Provider=OraOLEDB.Oracle.1;Persist Security Info=False;User ID=scott;";
  const std::string pg = "Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=5432;UID=u;PWD={a;b}";
  const struct {
    std::string text;
    Backend backend;
    std::string target;
    bool header_row = true;
  } cases[] = {
      {jet + sqlite, Backend::kSqlite, sqlite},
      {"Provider=SQLite;Data Source=/data/住所.db", Backend::kSqlite, "/data/住所.db"},
      {jet + mdb, Backend::kOdbc, "Driver={MDBTools};DBQ=" + mdb + ";"},
      {jet + accdb, Backend::kOdbc, "Driver={MDBTools};DBQ=" + accdb + ";"},
      // A ';' in a path needs quotes in the ADO string and braces in the ODBC one.
      {jet + "\"" + odd + "\"", Backend::kOdbc, "Driver={MDBTools};DBQ={" + odd + "};"},
      // The Excel tab goes to the workbook layer whatever the file holds; the file's own
      // checks give the clearer message.
      {jet + xls + ";Extended Properties=\"Excel 8.0;\"", Backend::kWorkbook, xls},
      {jet + xls + ";Extended Properties=\"Excel 8.0;HDR=No;\"", Backend::kWorkbook, xls, false},
      {"Provider=Microsoft.ACE.OLEDB.12.0;Data Source=" + xls +
           ";Extended Properties='Excel 12.0 Xml;HDR=NO;IMEX=1'",
       Backend::kWorkbook, xls, false},
      {"provider=microsoft.jet.oledb.4.0;extended properties=Excel 8.0; data source = " + xls,
       Backend::kWorkbook, xls},
      {oracle + "Password =tiger;Data Source=ORCL;", Backend::kOdbc,
       "Driver={Oracle 19 ODBC driver};DBQ=ORCL;UID=scott;PWD=tiger;"},
      {oracle + "Password =ti}ger;Data Source=//db:1521/x;", Backend::kOdbc,
       "Driver={Oracle 19 ODBC driver};DBQ=//db:1521/x;UID=scott;PWD={ti}}ger};"},
      {pg, Backend::kOdbc, pg},
      {"DSN=postal;UID=u;PWD=p", Backend::kOdbc, "DSN=postal;UID=u;PWD=p"},
      {"FILEDSN=/etc/odbc/postal.dsn", Backend::kOdbc, "FILEDSN=/etc/odbc/postal.dsn"},
      // MSDASQL loses only the OLE DB keys.
      {"Driver={SQLite3}; Provider=MSDASQL.1 ;Database=/tmp/x;y.db", Backend::kOdbc,
       "Driver={SQLite3};Database=/tmp/x;y.db"},
      {"Provider=MSDASQL.1;User ID=u;Password=p;Extended Properties=\"DSN=postal;Database=x;\"",
       Backend::kOdbc, "UID=u;PWD=p;DSN=postal;Database=x"},
  };
  const DriverList drivers = [] {
    return std::vector<std::string>{"PostgreSQL Unicode", "SQLite3", "MDBTools",
                                    "Oracle 19 ODBC driver", "Oracle 21"};
  };
  for (const auto& c : cases) {
    const ConnectionRoute route = routeConnectionString(c.text, drivers, kUnixOdbc);
    EXPECT_EQ(route.backend, c.backend) << c.text;
    EXPECT_EQ(route.target, c.target) << c.text;
    EXPECT_EQ(route.header_row, c.header_row) << c.text;
  }
}

// A typed string's Jet keys reach the Access driver under its own names; the window's Access
// tab gives none of them, so its string stays as it was.
TEST_F(ConnectionRouteTest, JetKeysAndTheWindowsDriverNamesReachTheOdbcString) {
  const std::string jet = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=";
  const std::string mdb = accessFile("old.mdb", "Jet");
  const std::string accdb = accessFile("new.accdb", "ACE");
  const std::string jet_driver = "Driver={Microsoft Access Driver (*.mdb)};DBQ=";
  const std::string ace_driver = "Driver={Microsoft Access Driver (*.mdb, *.accdb)};DBQ=";
  const std::pair<std::string, std::string> cases[] = {
      {jet + mdb, jet_driver + mdb + ";"},
      {jet + mdb + ";Jet OLEDB:Database Password=\"pa;ss\"", jet_driver + mdb + ";PWD={pa;ss};"},
      {jet + mdb + ";Jet OLEDB:System database=C:\\wg\\system.mdw;User ID=管理者;Password=pw",
       jet_driver + mdb + ";SystemDB=C:\\wg\\system.mdw;UID=管理者;PWD=pw;"},
      {jet + mdb + ";Mode=Read", jet_driver + mdb + ";ReadOnly=1;"},
      {jet + mdb + ";Mode=Read|Share Deny None", jet_driver + mdb + ";ReadOnly=1;"},
      {jet + mdb + ";Mode=1", jet_driver + mdb + ";ReadOnly=1;"},
      {jet + mdb + ";Mode=ReadWrite", jet_driver + mdb + ";"},
      {jet + mdb + ";Mode=Share Deny None", jet_driver + mdb + ";"},
      {"Provider=OraOLEDB.Oracle.1;Persist Security Info=False;User ID=scott;Password=tiger;"
       "Data Source=ORCL;",
       "Driver={Microsoft ODBC for Oracle};SERVER=ORCL;UID=scott;PWD=tiger;"},
  };
  // The 32-bit view of a Windows without Office: Jet's driver after one of its aliases.
  const DriverList drivers = [] {
    return std::vector<std::string>{"Driver do Microsoft Access (*.mdb)",
                                    "Microsoft Access Driver (*.mdb)", "Microsoft ODBC for Oracle"};
  };
  for (const auto& [text, expected] : cases) {
    const ConnectionRoute route = routeConnectionString(text, drivers, {true, 32});
    EXPECT_EQ(route.backend, Backend::kOdbc) << text;
    EXPECT_EQ(route.target, expected) << text;
  }
  // Both formats take the newer driver where a 32-bit Office put it.
  const DriverList office = [] {
    return std::vector<std::string>{"Microsoft Access Driver (*.mdb)",
                                    "Microsoft Access Driver (*.mdb, *.accdb)"};
  };
  EXPECT_EQ(routeConnectionString(jet + mdb, office, {true, 32}).target, ace_driver + mdb + ";");
  EXPECT_EQ(routeConnectionString(jet + accdb, office, {true, 32}).target,
            ace_driver + accdb + ";");
}

TEST_F(ConnectionRouteTest, WhatCannotBeServedIsDescribedAndNoFileIsCreated) {
  const std::string jet = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=";
  const std::string mdb = accessFile("old.mdb", "Jet");
  const std::string csv = write("pairs.csv", "100-0001,100-0002\r\n");
  const std::string xls = write("book.xls", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
  const std::string xlsx = write("book.xlsx", std::string("PK\x03\x04", 4));
  const std::string missing = dir_.file("no/such.mdb");
  const std::string supported = "対応している接続: Provider=Microsoft.Jet.OLEDB.4.0";
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {jet + missing, {"ファイルがありません: " + missing}},
      {jet + missing + ";Extended Properties=\"Excel 8.0;\"", {"ファイルがありません: "}},
      {jet, {"接続文字列に Data Source のファイルが指定されていません。"}},
      {jet + mdb,
       {"Access データベース用の ODBC ドライバーが登録されていません", "odbcinst -q -d", mdb}},
      {jet + csv,
       {csv, "は SQLite のデータベースでも Access のデータベースでもありません。", supported}},
      {jet + xls, {xls, "は Excel 97-2003 ブックなどの OLE 複合ドキュメント"}},
      {jet + xlsx, {xlsx, "は ZIP パッケージ（.xlsx ブックなど）"}},
      {jet + dir_.path().string(), {"はフォルダーです。"}},
      {"Provider=OraOLEDB.Oracle.1;User ID=scott;Password=tiger;Data Source=ORCL;",
       {"Oracle の ODBC ドライバーが登録されていません（登録済みのドライバーは odbcinst -q -d"}},
      {"Provider=SQLOLEDB;Data Source=srv",
       {"プロバイダー SQLOLEDB には対応していません。", supported}},
      {"Data Source=/tmp/a.db",
       {"プロバイダー、ODBC ドライバー、データソースのいずれも指定されていません。",
        "Driver=、DSN=、FILEDSN= のいずれかを含む ODBC 接続文字列。"}},
  };
  const DriverList drivers = [] { return std::vector<std::string>{"PostgreSQL Unicode"}; };
  for (const auto& [text, parts] : cases) {
    try {
      routeConnectionString(text, drivers, kUnixOdbc);
      ADD_FAILURE() << "routed: " << text;
    } catch (const DatabaseError& error) {
      for (const std::string& part : parts)
        EXPECT_THAT(descriptionOf(error), HasSubstr(part)) << text;
      EXPECT_THAT(descriptionOf(error), Not(HasSubstr("tiger")));
    }
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 4);
}

}  // namespace
}  // namespace norvel::routing
