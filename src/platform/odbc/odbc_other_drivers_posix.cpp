#include "platform/odbc/odbc_connection.h"

namespace norvel {

// unixODBC has one list for the process's own architecture.
std::vector<std::string> otherBitnessOdbcDrivers() {
  return {};
}

}  // namespace norvel
