#include "platform/routing/odbc_driver_choice.h"

#include <string_view>

#include "platform/connection_string_parser.h"
#include "platform/database.h"

namespace norvel::routing {
namespace {

// The names Microsoft's installers register; a 64-bit process can also see "Microsoft Access
// dBASE Driver (…)", which contains "Access" and opens no database.
constexpr std::string_view kAceDriver = "Microsoft Access Driver (*.mdb, *.accdb)";
constexpr std::string_view kJetDriver = "Microsoft Access Driver (*.mdb)";
constexpr std::string_view kMicrosoftOracle = "Microsoft ODBC for Oracle";

const std::string kListDrivers = "登録済みのドライバーは odbcinst -q -d で一覧できます";

std::optional<std::string> named(const std::vector<std::string>& drivers, std::string_view name) {
  for (const auto& driver : drivers) {
    if (equalsIgnoreCase(driver, name)) return driver;
  }
  return std::nullopt;
}

std::optional<std::string> containing(const std::vector<std::string>& drivers,
                                      std::string_view part) {
  for (const auto& driver : drivers) {
    if (containsIgnoreCase(driver, part)) return driver;
  }
  return std::nullopt;
}

std::string otherBitnessAdvice(const HostProgram& host, std::string_view kind,
                               const std::string& driver) {
  const std::string bits = std::to_string(host.bits);
  const std::string other = host.bits == 64 ? "32" : "64";
  return "この " + bits + " ビット版の norvel では " + other + " ビットの " + std::string(kind) +
         " ドライバー「" + driver + "」を使えません。" + other +
         " ビット版の norvel を使ってください。";
}

std::string posixAccessDriver(const std::string& path, const InstalledDrivers& drivers) {
  auto driver = containing(drivers.own, "MDBTools");
  if (!driver) driver = containing(drivers.own, "Access");
  if (!driver) {
    throw DatabaseError("Access データベース用の ODBC ドライバーが登録されていません（" +
                        kListDrivers + "）。MDBTools のドライバー（Debian パッケージ " +
                        "odbc-mdbtools）があれば " + path + " を参照できます。");
  }
  return *driver;
}

// Oracle's own driver registers as "Oracle in <home>"; Microsoft's deprecated one wants
// SERVER= and is taken only when nothing else is there.
std::optional<OracleDriver> preferredOracle(const std::vector<std::string>& drivers) {
  for (const auto& driver : drivers) {
    if (startsWithIgnoreCase(driver, "Oracle in ")) return OracleDriver{driver};
  }
  for (const auto& driver : drivers) {
    if (containsIgnoreCase(driver, "Oracle") && !equalsIgnoreCase(driver, kMicrosoftOracle)) {
      return OracleDriver{driver};
    }
  }
  if (auto driver = named(drivers, kMicrosoftOracle)) return OracleDriver{*driver, true};
  return std::nullopt;
}

}  // namespace

HostProgram thisProgram() {
#ifdef _WIN32
  return {true, static_cast<int>(sizeof(void*) * 8)};
#else
  return {false, static_cast<int>(sizeof(void*) * 8)};
#endif
}

std::string chooseAccessDriver(AccessFormat format, const std::string& path,
                               const InstalledDrivers& drivers, const HostProgram& host) {
  if (!host.windows) return posixAccessDriver(path, drivers);

  // Jet's own driver reads .mdb only; ACE's reads both and is the newer.
  std::vector<std::string_view> wanted{kAceDriver};
  if (format == AccessFormat::kJet) wanted.push_back(kJetDriver);
  for (const auto name : wanted) {
    if (auto driver = named(drivers.own, name)) return *driver;
  }
  for (const auto name : wanted) {
    if (auto driver = named(drivers.other_bitness, name)) {
      throw DatabaseError(otherBitnessAdvice(host, "Access", *driver));
    }
  }

  const std::string bits = std::to_string(host.bits);
  const std::string engine = "Microsoft Access データベース エンジン（Access Database Engine）の " +
                             bits + " ビット版をインストールしてください。";
  if (format == AccessFormat::kAce && named(drivers.own, kJetDriver)) {
    throw DatabaseError(path + " は Access 2007 以降の形式（.accdb）で、Windows 付属の「" +
                        std::string(kJetDriver) + "」では開けません。「" + std::string(kAceDriver) +
                        "」が必要です。" + engine);
  }
  std::string message = path + " を開く Access の ODBC ドライバー「" + std::string(kAceDriver) +
                        "」が、この " + bits +
                        " ビット版の norvel から使える形で登録されていません。" + engine;
  if (format == AccessFormat::kJet && host.bits == 64) {
    message += "32 ビット版の norvel なら、Windows に付属の「" + std::string(kJetDriver) +
               "」で .mdb を開けます。";
  }
  throw DatabaseError(message);
}

OracleDriver chooseOracleDriver(const InstalledDrivers& drivers, const HostProgram& host) {
  if (auto driver = preferredOracle(drivers.own)) return *driver;
  if (!host.windows) {
    throw DatabaseError("Oracle の ODBC ドライバーが登録されていません（" + kListDrivers +
                        "）。Oracle に接続するには、Oracle Instant Client の ODBC ドライバーを"
                        "インストールして登録してください。");
  }
  if (auto driver = preferredOracle(drivers.other_bitness)) {
    throw DatabaseError(otherBitnessAdvice(host, "Oracle", driver->name));
  }
  const std::string bits = std::to_string(host.bits);
  throw DatabaseError("Oracle の ODBC ドライバー（「Oracle in …」）が、この " + bits +
                      " ビット版の norvel から使える形で登録されていません。Oracle Instant Client "
                      "の " +
                      bits +
                      " ビット版に ODBC パッケージを加えてインストールし、その "
                      "odbc_install.exe で登録してください。");
}

}  // namespace norvel::routing
