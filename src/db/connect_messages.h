#pragma once

#include <string>
#include <string_view>

namespace norvel {

// The messages of connecting and of listing a table's fields, the same in the window and in
// norvel-batch: a fixed sentence, CR LF, and the data source's own description.

// "データベースをオープンできません", the connection string with its passwords masked, and why.
std::string openFailureMessage(std::string_view connection_string, std::string_view description);

std::string fieldListFailureMessage(std::string_view description);

}  // namespace norvel
