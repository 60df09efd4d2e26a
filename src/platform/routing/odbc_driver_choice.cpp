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

std::string posixAccessDriver(const std::string& path, const InstalledDrivers& drivers) {
  auto driver = containing(drivers.own, "MDBTools");
  if (!driver) driver = containing(drivers.own, "Access");
  if (!driver) throw DatabaseError(DatabaseSituation::accessDriverMissing, {.path = path});
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
      throw DatabaseError(DatabaseSituation::accessDriverOtherBitness,
                          {.name = *driver, .bits = host.bits});
    }
  }

  if (format == AccessFormat::kAce && named(drivers.own, kJetDriver)) {
    throw DatabaseError(DatabaseSituation::accdbNeedsAceDriver,
                        {.path = path,
                         .name = std::string(kAceDriver),
                         .other_name = std::string(kJetDriver),
                         .bits = host.bits});
  }
  // Every 32-bit Windows has Jet's driver, which opens .mdb.
  const bool jet_in_32_bits = format == AccessFormat::kJet && host.bits == 64;
  throw DatabaseError(DatabaseSituation::accessDriverNotRegistered,
                      {.path = path,
                       .name = std::string(kAceDriver),
                       .other_name = jet_in_32_bits ? std::string(kJetDriver) : std::string(),
                       .bits = host.bits});
}

OracleDriver chooseOracleDriver(const InstalledDrivers& drivers, const HostProgram& host) {
  if (auto driver = preferredOracle(drivers.own)) return *driver;
  if (!host.windows) throw DatabaseError(DatabaseSituation::oracleDriverMissing);
  if (auto driver = preferredOracle(drivers.other_bitness)) {
    throw DatabaseError(DatabaseSituation::oracleDriverOtherBitness,
                        {.name = driver->name, .bits = host.bits});
  }
  throw DatabaseError(DatabaseSituation::oracleDriverNotRegistered, {.bits = host.bits});
}

}  // namespace norvel::routing
