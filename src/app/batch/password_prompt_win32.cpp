#include <cstdlib>

#include "app/batch/password_prompt.h"
#include "platform/win32/win32_console.h"

namespace norvel::batch {

std::optional<std::string> oraclePassword(const std::string& user) {
  if (const char* from_environment = std::getenv("NORVEL_PASSWORD")) {
    return std::string(from_environment);
  }
  return win32::readHiddenLine("Password for " + user + ": ");
}

}  // namespace norvel::batch
