#pragma once

#include <string>
#include <string_view>

namespace norvel {

// The connection strings the connect action builds for the first three tabs, exactly as the
// data-source kinds name their providers.
std::string accessConnectionString(std::string_view path);
std::string oracleConnectionString(std::string_view user, std::string_view password,
                                   std::string_view host);
std::string excelConnectionString(std::string_view path, int header_check_value);

// A connection string fit to show: the values of Password and Pwd keys (any case, quoted or
// not, inside Extended Properties too) replaced by "****"; every other byte as it was.
std::string maskPasswords(std::string_view connection_string);

// Removes ordinary blanks at both ends.
std::string trimBlanks(std::string_view text);

}  // namespace norvel
