#include "platform/routing/routing_database_layer.h"

#include "platform/odbc/odbc_connection.h"
#include "platform/routing/connection_route.h"
#include "platform/sqlite/sqlite_connection.h"
#include "xlsx/workbook_layer.h"

namespace norvel {

std::unique_ptr<DatabaseConnection> RoutingDatabaseLayer::open(
    const std::string& connection_string) {
  const routing::ConnectionRoute route = routing::routeConnectionString(connection_string, [] {
    return routing::InstalledDrivers(installedOdbcDrivers(), otherBitnessOdbcDrivers());
  });
  switch (route.backend) {
    case routing::ConnectionRoute::Backend::kSqlite:
      return openSqlite(route.target);
    case routing::ConnectionRoute::Backend::kWorkbook:
      return openWorkbook(route.target, route.header_row);
    case routing::ConnectionRoute::Backend::kOdbc:
      break;
  }
  return openOdbc(route.target);
}

}  // namespace norvel
