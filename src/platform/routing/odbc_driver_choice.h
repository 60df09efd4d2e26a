#pragma once

#include <optional>
#include <string>
#include <vector>

namespace norvel::routing {

// The ODBC drivers this process can load, and on 64-bit Windows those registered for the other
// bitness only: a 64-bit process never sees the 32-bit ones (Jet's, a 32-bit Office's) and the
// reverse, which the messages name.
struct InstalledDrivers {
  InstalledDrivers() = default;
  InstalledDrivers(std::vector<std::string> own_drivers)  // NOLINT: a plain list is the own one
      : own(std::move(own_drivers)) {}
  InstalledDrivers(std::vector<std::string> own_drivers, std::vector<std::string> other_drivers)
      : own(std::move(own_drivers)), other_bitness(std::move(other_drivers)) {}

  std::vector<std::string> own;
  std::vector<std::string> other_bitness;
};

// What decides the driver names and the advice: Windows registers its drivers under fixed
// names, unixODBC under whatever the package chose.
struct HostProgram {
  bool windows = false;
  int bits = 64;
};

// This program as built.
HostProgram thisProgram();

enum class AccessFormat { kJet, kAce };

// The driver for an Access file, or a DatabaseError saying which driver is missing, for which
// bitness, and what to do on this kind of host.
std::string chooseAccessDriver(AccessFormat format, const std::string& path,
                               const InstalledDrivers& drivers, const HostProgram& host);

struct OracleDriver {
  std::string name;
  bool takes_server = false;  // Microsoft's old driver: SERVER= instead of DBQ=
};

OracleDriver chooseOracleDriver(const InstalledDrivers& drivers, const HostProgram& host);

}  // namespace norvel::routing
