#pragma once

#include <istream>
#include <optional>
#include <string>

namespace norvel::batch {

// The connection string of --connect. "-" reads it from standard input and "@FILE" from a file,
// so that a password need not stand on the command line, where every local user sees it (ps).
// A password in NORVEL_PASSWORD is added as Pwd when the string names none of its own.
// Returns the string, or nullopt with the reason in error.
std::optional<std::string> resolveConnectionArgument(const std::string& argument,
                                                     std::istream& standard_input,
                                                     const char* environment_password,
                                                     std::string& error);

}  // namespace norvel::batch
