#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/database.h"

namespace norvel {

// Opens an ODBC connection string ("Driver={…};…", "DSN=…", "FILEDSN=…") through unixODBC.
// Throws DatabaseError with the driver's first diagnostic message.
std::unique_ptr<DatabaseConnection> openOdbc(const std::string& odbc_connection_string);

// The driver names registered with the driver manager (odbcinst.ini).
std::vector<std::string> installedOdbcDrivers();

// On 64-bit Windows, the drivers registered for the other bitness only (the registry's other
// view), which this process cannot load; empty elsewhere.
std::vector<std::string> otherBitnessOdbcDrivers();

}  // namespace norvel
