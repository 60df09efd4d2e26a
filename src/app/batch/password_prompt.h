#pragma once

#include <optional>
#include <string>

namespace norvel::batch {

// The Oracle password: NORVEL_PASSWORD when set, else read from the terminal without echo.
// Nothing when there is neither (no terminal to ask on, or the input ended).
std::optional<std::string> oraclePassword(const std::string& user);

}  // namespace norvel::batch
