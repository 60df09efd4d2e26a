#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/routing/odbc_driver_choice.h"

namespace norvel::routing {

// Which back end opens a connection string, and with what.
struct ConnectionRoute {
  enum class Backend { kSqlite, kWorkbook, kOdbc };

  Backend backend = Backend::kOdbc;
  std::string target;      // the file for SQLite and workbooks, else the ODBC connection string
  bool header_row = true;  // workbooks: row 1 holds the field names
};

// The ODBC driver names registered on this system, asked for only when a route needs one.
using DriverList = std::function<InstalledDrivers()>;

// Decides the route by the provider, the keys and, for the Jet and ACE providers, the first
// bytes of the named file; nothing is opened or created. Throws DatabaseError with a
// description of what is supported when the string cannot be served. The host decides which
// driver names count and what a missing driver's message advises.
ConnectionRoute routeConnectionString(const std::string& connection_string,
                                      const DriverList& installed_drivers,
                                      const HostProgram& host = thisProgram());

}  // namespace norvel::routing
