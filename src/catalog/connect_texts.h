#pragma once

#include <string>
#include <string_view>

#include "catalog/language.h"
#include "db/source_kind.h"

namespace norvel {

// The messages of connecting and of listing a table's fields, the same in the window and in
// norvel-batch: a fixed sentence, CR LF, and the data source's own description.

// "データベースをオープンできません", the connection string with its passwords masked, and why.
std::string openFailureMessage(std::string_view connection_string, std::string_view description,
                               Language language = Language::japanese);

std::string fieldListFailureMessage(std::string_view description,
                                    Language language = Language::japanese);

// What to fill in before connecting.
std::string missingInputText(MissingInput missing, Language language = Language::japanese);

// A database operation asked of the window's session before it connected.
std::string notConnectedText(Language language = Language::japanese);

}  // namespace norvel
