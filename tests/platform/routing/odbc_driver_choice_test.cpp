// The driver each data source gets from driver lists as Windows registers them: the 32-bit view
// with Jet's drivers and their translated aliases, the 64-bit view with the Access Database
// Engine's, each in more than one registry order, and the messages when the needed one is missing
// or registered only for the other bitness.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "catalog/failure_texts.h"
#include "platform/database.h"
#include "platform/routing/odbc_driver_choice.h"

namespace norvel::routing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

const std::string kAce = "Microsoft Access Driver (*.mdb, *.accdb)";
const std::string kJet = "Microsoft Access Driver (*.mdb)";

// The 32-bit view of a Windows without Office: Jet and its aliases, Microsoft's Oracle driver.
const std::vector<std::string> kJet32 = {
    "Driver da Microsoft para arquivos texto (*.txt; *.csv)",
    "Driver do Microsoft Access (*.mdb)",
    "Microsoft Access-Treiber (*.mdb)",
    "Microsoft dBase Driver (*.dbf)",
    kJet,
    "Microsoft Excel Driver (*.xls)",
    "Microsoft ODBC for Oracle",
    "SQL Server",
};
// The 64-bit view with the Access Database Engine: its dBASE driver comes first and also
// contains "Access".
const std::vector<std::string> kAce64 = {
    "SQL Server",
    "Microsoft Access dBASE Driver (*.dbf, *.ndx, *.mdx)",
    kAce,
    "Microsoft Access Text Driver (*.txt, *.csv)",
    "Microsoft Excel Driver (*.xls, *.xlsx, *.xlsm, *.xlsb)",
};
// The 32-bit view with a 32-bit Office: Jet's and ACE's drivers side by side.
const std::vector<std::string> kOffice32 = {
    "Microsoft Access dBASE Driver (*.dbf, *.ndx, *.mdx)",
    kJet,
    "Microsoft Access Text Driver (*.txt, *.csv)",
    kAce,
    "SQL Server",
};
const std::vector<std::string> kBare64 = {"SQL Server"};

std::vector<std::string> reversed(std::vector<std::string> drivers) {
  std::reverse(drivers.begin(), drivers.end());
  return drivers;
}

constexpr HostProgram kWin32{true, 32};
constexpr HostProgram kWin64{true, 64};
constexpr HostProgram kLinux{false, 64};

TEST(AccessDriverChoice, TheExactNamesWinInTheirOrderWhateverTheRegistryOrder) {
  const struct {
    HostProgram host;
    AccessFormat format;
    std::vector<std::string> own;
    std::string expected;
  } cases[] = {
      {kWin64, AccessFormat::kJet, kAce64, kAce},
      {kWin64, AccessFormat::kJet, reversed(kAce64), kAce},
      {kWin64, AccessFormat::kAce, kAce64, kAce},
      {kWin32, AccessFormat::kJet, kJet32, kJet},
      {kWin32, AccessFormat::kJet, reversed(kJet32), kJet},
      // With Office's driver there, it serves .mdb as well.
      {kWin32, AccessFormat::kJet, kOffice32, kAce},
      {kWin32, AccessFormat::kJet, reversed(kOffice32), kAce},
      {kWin32, AccessFormat::kAce, kOffice32, kAce},
      // unixODBC: MDBTools whatever its registered name.
      {kLinux, AccessFormat::kAce, {"PostgreSQL Unicode", "MDBTools"}, "MDBTools"},
      {kLinux, AccessFormat::kJet, {"Access (mdbtools 1.0)"}, "Access (mdbtools 1.0)"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(chooseAccessDriver(c.format, "C:\\データ\\住所.mdb", {c.own}, c.host), c.expected)
        << c.host.bits << "-bit, first " << c.own.front();
  }
}

TEST(AccessDriverChoice, AMissingDriverIsNamedWithItsBitnessAndWhatToDo) {
  const std::string path = "C:\\データ\\住所.accdb";
  const struct {
    HostProgram host;
    AccessFormat format;
    InstalledDrivers drivers;
    std::vector<std::string> parts;
  } cases[] = {
      // Every 64-bit Windows has Jet in its 32-bit view only.
      {kWin64,
       AccessFormat::kJet,
       {kBare64, kJet32},
       {"この 64 ビット版の norvel では 32 ビットの Access ドライバー「" + kJet +
        "」を使えません。32 ビット版の norvel を使ってください。"}},
      {kWin64,
       AccessFormat::kAce,
       {kBare64, kOffice32},
       {"32 ビットの Access ドライバー「" + kAce + "」を使えません。32 ビット版の norvel"}},
      {kWin32,
       AccessFormat::kAce,
       {kJet32, kAce64},
       {"この 32 ビット版の norvel では 64 ビットの Access ドライバー「" + kAce +
        "」を使えません。64 ビット版の norvel を使ってください。"}},
      // Jet cannot read the 2007 format.
      {kWin32,
       AccessFormat::kAce,
       {kJet32},
       {path + " は Access 2007 以降の形式（.accdb）で、Windows 付属の「" + kJet +
            "」では開けません。",
        "Access データベース エンジン（Access Database Engine）の 32 ビット版をインストール"}},
      {kWin64,
       AccessFormat::kJet,
       {kBare64},
       {"「" + kAce + "」が、この 64 ビット版の norvel から使える形で登録されていません。",
        "の 64 ビット版をインストールしてください。",
        "32 ビット版の norvel なら、Windows に付属の「" + kJet + "」で .mdb を開けます。"}},
      {kLinux,
       AccessFormat::kJet,
       {{"PostgreSQL Unicode"}},
       {"Access データベース用の ODBC ドライバーが登録されていません", "odbcinst -q -d",
        "odbc-mdbtools"}},
  };
  for (const auto& c : cases) {
    try {
      const std::string driver = chooseAccessDriver(c.format, path, c.drivers, c.host);
      ADD_FAILURE() << "chose " << driver;
    } catch (const DatabaseError& error) {
      for (const auto& part : c.parts) EXPECT_THAT(descriptionOf(error), HasSubstr(part));
      if (c.host.windows) {
        EXPECT_THAT(descriptionOf(error), Not(HasSubstr("odbcinst")));
        EXPECT_THAT(descriptionOf(error), Not(HasSubstr("Debian")));
      }
    }
  }
}

TEST(OracleDriverChoice, OraclesOwnDriverBeforeMicrosofts) {
  const std::string home = "Oracle in OraClient11g_home1";
  const struct {
    HostProgram host;
    std::vector<std::string> own;
    std::string name;
    bool takes_server;
  } cases[] = {
      {kWin32, {"Microsoft ODBC for Oracle", home}, home, false},
      {kWin32, {home, "Microsoft ODBC for Oracle"}, home, false},
      {kWin32, kJet32, "Microsoft ODBC for Oracle", true},
      {kWin64,
       {"SQL Server", "Oracle in instantclient_19_8"},
       "Oracle in instantclient_19_8",
       false},
      {kLinux, {"PostgreSQL Unicode", "Oracle 19 ODBC driver"}, "Oracle 19 ODBC driver", false},
  };
  for (const auto& c : cases) {
    const OracleDriver driver = chooseOracleDriver({c.own}, c.host);
    EXPECT_EQ(driver.name, c.name);
    EXPECT_EQ(driver.takes_server, c.takes_server) << c.name;
  }
}

TEST(OracleDriverChoice, AMissingDriverIsNamedWithItsBitnessAndWhatToDo) {
  const struct {
    HostProgram host;
    InstalledDrivers drivers;
    std::vector<std::string> parts;
  } cases[] = {
      {kWin64,
       {kBare64, {"Microsoft ODBC for Oracle", "Oracle in XE"}},
       {"この 64 ビット版の norvel では 32 ビットの Oracle ドライバー「Oracle in XE」を使えません。"
        "32 ビット版の norvel を使ってください。"}},
      {kWin64,
       {kBare64},
       {"この 64 ビット版の norvel から使える形で登録されていません",
        "Oracle Instant Client の 64 "
        "ビット版",
        "odbc_install.exe"}},
      {kLinux, {{"PostgreSQL Unicode"}}, {"odbcinst -q -d", "Oracle Instant Client"}},
  };
  for (const auto& c : cases) {
    try {
      chooseOracleDriver(c.drivers, c.host);
      ADD_FAILURE() << "chose a driver";
    } catch (const DatabaseError& error) {
      for (const auto& part : c.parts) EXPECT_THAT(descriptionOf(error), HasSubstr(part));
      if (c.host.windows) {
        EXPECT_THAT(descriptionOf(error), Not(HasSubstr("odbcinst")));
      }
    }
  }
}

}  // namespace
}  // namespace norvel::routing
