#pragma once

#include <CLI/Error.hpp>
#include <string>

namespace norvel::batch {

// The text of a usage error from parsing the command line, in the user's language. CLI11 words
// its errors itself; the ones this program can meet are told again through the catalog, with
// the option names they carry, and any other is left as CLI11 put it.
std::string usageErrorText(const CLI::Error& error);

}  // namespace norvel::batch
