#include "platform/routing/connection_route.h"

#include <optional>
#include <string_view>

#include "db/connection_string_parser.h"
#include "platform/database.h"
#include "platform/routing/database_file_kind.h"

namespace norvel::routing {
namespace {

using Backend = ConnectionRoute::Backend;

const std::string kSupported =
    "Supported are: Provider=Microsoft.Jet.OLEDB.4.0 (or Microsoft.ACE.OLEDB.12.0) with a Data "
    "Source that is an SQLite 3 database, an Access database (.mdb/.accdb, browsing only) or, "
    "with Extended Properties=\"Excel 8.0\", an Excel workbook; Provider=OraOLEDB.Oracle through "
    "a registered Oracle ODBC driver; Provider=SQLite;Data Source=<file>; Provider=MSDASQL, or "
    "an ODBC connection string with Driver=, DSN= or FILEDSN=.";

const std::string kListDrivers = "odbcinst -q -d lists the registered drivers";

// ODBC takes a value with ';', braces or outer blanks only inside braces.
std::string odbcValue(std::string_view value) {
  const bool plain = value.find_first_of(";{}") == std::string_view::npos &&
                     (value.empty() || (value.front() != ' ' && value.back() != ' '));
  if (plain) return std::string(value);
  std::string braced = "{";
  for (const char c : value) {
    braced += c;
    if (c == '}') braced += '}';
  }
  braced += '}';
  return braced;
}

std::optional<std::string> driverContaining(const std::vector<std::string>& drivers,
                                            std::string_view part) {
  for (const auto& driver : drivers) {
    if (ContainsIgnoreCase(driver, part)) return driver;
  }
  return std::nullopt;
}

std::string valueOr(const std::vector<ConnectionStringPair>& pairs, std::string_view key,
                    std::string_view other_key) {
  if (auto value = ConnectionStringValue(pairs, key)) return *value;
  return ConnectionStringValue(pairs, other_key).value_or("");
}

ConnectionRoute accessDatabase(const std::string& path, const DriverList& installed_drivers) {
  const auto drivers = installed_drivers();
  auto driver = driverContaining(drivers, "MDBTools");
  if (!driver) driver = driverContaining(drivers, "Access");
  if (!driver) {
    throw DatabaseError("No ODBC driver for Access databases is registered (" + kListDrivers +
                        "); the MDBTools driver (Debian package odbc-mdbtools) can browse " + path +
                        ".");
  }
  return {Backend::kOdbc, "Driver={" + *driver + "};DBQ=" + odbcValue(path) + ";"};
}

// The Jet and ACE providers serve Access files and, through their Excel properties,
// workbooks; here they also serve SQLite files named the same way.
ConnectionRoute jetFile(const std::vector<ConnectionStringPair>& pairs,
                        const DriverList& installed_drivers) {
  const std::string path = ConnectionStringValue(pairs, "Data Source").value_or("");
  if (path.empty()) throw DatabaseError("The connection string names no Data Source file.");
  const DatabaseFileKind kind = databaseFileKind(path);
  if (kind == DatabaseFileKind::kMissing) throw DatabaseError("The file does not exist: " + path);
  if (kind == DatabaseFileKind::kDirectory) {
    throw DatabaseError(path + " is a folder, not a database file.");
  }

  if (const auto extended = ConnectionStringValue(pairs, "Extended Properties");
      extended && ContainsIgnoreCase(*extended, "Excel")) {
    const auto header = ConnectionStringValue(ParseConnectionString(*extended), "HDR");
    const bool no_header =
        header && (EqualsIgnoreCase(*header, "No") || EqualsIgnoreCase(*header, "False"));
    return {Backend::kWorkbook, path, !no_header};
  }

  switch (kind) {
    case DatabaseFileKind::kSqlite:
      return {Backend::kSqlite, path};
    case DatabaseFileKind::kJet:
    case DatabaseFileKind::kAce:
      return accessDatabase(path, installed_drivers);
    case DatabaseFileKind::kCompoundDocument:
      throw DatabaseError(path +
                          " is an Excel 97-2003 workbook or another OLE compound document, not "
                          "a database. " +
                          kSupported);
    case DatabaseFileKind::kZip:
      throw DatabaseError(path + " is a ZIP package (such as an .xlsx workbook), not a database. " +
                          kSupported);
    default:
      throw DatabaseError(path + " is neither an SQLite nor an Access database. " + kSupported);
  }
}

ConnectionRoute oracle(const std::vector<ConnectionStringPair>& pairs,
                       const DriverList& installed_drivers) {
  const auto driver = driverContaining(installed_drivers(), "Oracle");
  if (!driver) {
    throw DatabaseError("No Oracle ODBC driver is registered (" + kListDrivers +
                        "); Oracle's Instant Client ODBC driver must be installed and "
                        "registered to connect to Oracle.");
  }
  return {Backend::kOdbc, "Driver={" + *driver + "};DBQ=" +
                              odbcValue(ConnectionStringValue(pairs, "Data Source").value_or("")) +
                              ";UID=" + odbcValue(valueOr(pairs, "User ID", "UID")) +
                              ";PWD=" + odbcValue(valueOr(pairs, "Password", "PWD")) + ";"};
}

// MSDASQL hands everything but its own keys to the ODBC driver manager; its Extended
// Properties hold a complete ODBC string.
ConnectionRoute msdasql(const std::vector<ConnectionStringPair>& pairs) {
  std::string odbc;
  const auto append = [&odbc](std::string_view part) {
    while (!part.empty() && (part.back() == ';' || part.back() == ' ')) part.remove_suffix(1);
    while (!part.empty() && part.front() == ' ') part.remove_prefix(1);
    if (part.empty()) return;
    if (!odbc.empty()) odbc += ';';
    odbc += part;
  };
  for (const auto& pair : pairs) {
    if (EqualsIgnoreCase(pair.key, "Provider") ||
        EqualsIgnoreCase(pair.key, "Persist Security Info")) {
      continue;
    }
    if (EqualsIgnoreCase(pair.key, "Extended Properties")) {
      append(pair.value);
    } else if (EqualsIgnoreCase(pair.key, "User ID")) {
      append("UID=" + odbcValue(pair.value));
    } else if (EqualsIgnoreCase(pair.key, "Password")) {
      append("PWD=" + odbcValue(pair.value));
    } else {
      append(pair.text);
    }
  }
  return {Backend::kOdbc, odbc};
}

}  // namespace

ConnectionRoute routeConnectionString(const std::string& connection_string,
                                      const DriverList& installed_drivers) {
  const auto pairs = ParseConnectionString(connection_string);
  const std::string provider = ConnectionStringValue(pairs, "Provider").value_or("");

  if (provider.empty()) {
    for (const std::string_view key : {"Driver", "DSN", "FILEDSN"}) {
      if (ConnectionStringValue(pairs, key)) return {Backend::kOdbc, connection_string};
    }
    throw DatabaseError("The connection string names no provider, ODBC driver or data source. " +
                        kSupported);
  }
  if (StartsWithIgnoreCase(provider, "Microsoft.Jet.OLEDB.") ||
      StartsWithIgnoreCase(provider, "Microsoft.ACE.OLEDB.")) {
    return jetFile(pairs, installed_drivers);
  }
  if (StartsWithIgnoreCase(provider, "OraOLEDB.Oracle") ||
      StartsWithIgnoreCase(provider, "MSDAORA")) {
    return oracle(pairs, installed_drivers);
  }
  if (StartsWithIgnoreCase(provider, "MSDASQL")) return msdasql(pairs);
  if (EqualsIgnoreCase(provider, "SQLite")) {
    const std::string path = ConnectionStringValue(pairs, "Data Source").value_or("");
    if (path.empty()) throw DatabaseError("The connection string names no Data Source file.");
    return {Backend::kSqlite, path};
  }
  throw DatabaseError("The provider " + provider + " is not supported. " + kSupported);
}

}  // namespace norvel::routing
