#include "platform/routing/connection_route.h"

#include <optional>
#include <string_view>

#include "platform/connection_string_parser.h"
#include "platform/database.h"
#include "platform/routing/database_file_kind.h"

namespace norvel::routing {
namespace {

using Backend = ConnectionRoute::Backend;

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

std::string valueOr(const std::vector<ConnectionStringPair>& pairs, std::string_view key,
                    std::string_view other_key) {
  if (auto value = connectionStringValue(pairs, key)) return *value;
  return connectionStringValue(pairs, other_key).value_or("");
}

// ADO's Mode is a '|'-separated list of names ("Read", "Share Deny Write") or a number whose
// low bits say read (1), write (2) or both (3).
bool readOnlyMode(std::string_view mode) {
  if (mode == "1") return true;
  while (!mode.empty()) {
    const std::size_t bar = mode.find('|');
    std::string_view part = mode.substr(0, bar);
    while (!part.empty() && part.front() == ' ') part.remove_prefix(1);
    while (!part.empty() && part.back() == ' ') part.remove_suffix(1);
    if (equalsIgnoreCase(part, "Read") || equalsIgnoreCase(part, "adModeRead")) return true;
    if (bar == std::string_view::npos) break;
    mode.remove_prefix(bar + 1);
  }
  return false;
}

// The Jet keys a typed string may carry go to the driver's own names: a database password is
// PWD (the workgroup user's password when there is none), the workgroup file SystemDB.
ConnectionRoute accessDatabase(const std::vector<ConnectionStringPair>& pairs,
                               const std::string& path, AccessFormat format,
                               const DriverList& installed_drivers, const HostProgram& host) {
  const std::string driver = chooseAccessDriver(format, path, installed_drivers(), host);
  std::string odbc = "Driver={" + driver + "};DBQ=" + odbcValue(path) + ";";
  if (const auto system_db = connectionStringValue(pairs, "Jet OLEDB:System database")) {
    odbc += "SystemDB=" + odbcValue(*system_db) + ";";
  }
  if (const auto user = connectionStringValue(pairs, "User ID")) {
    odbc += "UID=" + odbcValue(*user) + ";";
  }
  auto password = connectionStringValue(pairs, "Jet OLEDB:Database Password");
  if (!password) password = connectionStringValue(pairs, "Password");
  if (password) odbc += "PWD=" + odbcValue(*password) + ";";
  if (const auto mode = connectionStringValue(pairs, "Mode"); mode && readOnlyMode(*mode)) {
    odbc += "ReadOnly=1;";
  }
  return {Backend::kOdbc, odbc};
}

// The Jet and ACE providers serve Access files and, through their Excel properties,
// workbooks; here they also serve SQLite files named the same way.
ConnectionRoute jetFile(const std::vector<ConnectionStringPair>& pairs,
                        const DriverList& installed_drivers, const HostProgram& host) {
  const std::string path = connectionStringValue(pairs, "Data Source").value_or("");
  if (path.empty()) throw DatabaseError(DatabaseSituation::noDataSourceFile);
  const DatabaseFileKind kind = databaseFileKind(path);
  if (kind == DatabaseFileKind::kMissing) {
    throw DatabaseError(DatabaseSituation::fileMissing, {.path = path});
  }
  if (kind == DatabaseFileKind::kDirectory) {
    throw DatabaseError(DatabaseSituation::fileIsFolder, {.path = path});
  }

  if (const auto extended = connectionStringValue(pairs, "Extended Properties");
      extended && containsIgnoreCase(*extended, "Excel")) {
    const auto header = connectionStringValue(parseConnectionString(*extended), "HDR");
    const bool no_header =
        header && (equalsIgnoreCase(*header, "No") || equalsIgnoreCase(*header, "False"));
    return {Backend::kWorkbook, path, !no_header};
  }

  switch (kind) {
    case DatabaseFileKind::kSqlite:
      return {Backend::kSqlite, path};
    case DatabaseFileKind::kJet:
      return accessDatabase(pairs, path, AccessFormat::kJet, installed_drivers, host);
    case DatabaseFileKind::kAce:
      return accessDatabase(pairs, path, AccessFormat::kAce, installed_drivers, host);
    case DatabaseFileKind::kCompoundDocument:
      throw DatabaseError(DatabaseSituation::compoundDocument, {.path = path});
    case DatabaseFileKind::kZip:
      throw DatabaseError(DatabaseSituation::zipPackage, {.path = path});
    default:
      throw DatabaseError(DatabaseSituation::notADatabase, {.path = path});
  }
}

ConnectionRoute oracle(const std::vector<ConnectionStringPair>& pairs,
                       const DriverList& installed_drivers, const HostProgram& host) {
  const OracleDriver driver = chooseOracleDriver(installed_drivers(), host);
  return {Backend::kOdbc, "Driver={" + driver.name + "};" +
                              (driver.takes_server ? "SERVER=" : "DBQ=") +
                              odbcValue(connectionStringValue(pairs, "Data Source").value_or("")) +
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
    if (equalsIgnoreCase(pair.key, "Provider") ||
        equalsIgnoreCase(pair.key, "Persist Security Info")) {
      continue;
    }
    if (equalsIgnoreCase(pair.key, "Extended Properties")) {
      append(pair.value);
    } else if (equalsIgnoreCase(pair.key, "User ID")) {
      append("UID=" + odbcValue(pair.value));
    } else if (equalsIgnoreCase(pair.key, "Password")) {
      append("PWD=" + odbcValue(pair.value));
    } else {
      append(pair.text);
    }
  }
  return {Backend::kOdbc, odbc};
}

}  // namespace

ConnectionRoute routeConnectionString(const std::string& connection_string,
                                      const DriverList& installed_drivers,
                                      const HostProgram& host) {
  const auto pairs = parseConnectionString(connection_string);
  const std::string provider = connectionStringValue(pairs, "Provider").value_or("");

  if (provider.empty()) {
    for (const std::string_view key : {"Driver", "DSN", "FILEDSN"}) {
      if (connectionStringValue(pairs, key)) return {Backend::kOdbc, connection_string};
    }
    throw DatabaseError(DatabaseSituation::noProvider);
  }
  if (startsWithIgnoreCase(provider, "Microsoft.Jet.OLEDB.") ||
      startsWithIgnoreCase(provider, "Microsoft.ACE.OLEDB.")) {
    return jetFile(pairs, installed_drivers, host);
  }
  if (startsWithIgnoreCase(provider, "OraOLEDB.Oracle") ||
      startsWithIgnoreCase(provider, "MSDAORA")) {
    return oracle(pairs, installed_drivers, host);
  }
  if (startsWithIgnoreCase(provider, "MSDASQL")) return msdasql(pairs);
  if (equalsIgnoreCase(provider, "SQLite")) {
    const std::string path = connectionStringValue(pairs, "Data Source").value_or("");
    if (path.empty()) throw DatabaseError(DatabaseSituation::noDataSourceFile);
    return {Backend::kSqlite, path};
  }
  throw DatabaseError(DatabaseSituation::unknownProvider, {.name = provider});
}

}  // namespace norvel::routing
