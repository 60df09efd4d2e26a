#pragma once

#include <exception>
#include <string>

namespace norvel {

// The description of a failure, never empty: an error without words is still an error.
std::string descriptionOf(const std::exception& error);

}  // namespace norvel
