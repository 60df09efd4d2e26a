#pragma once

#include <string>

#include "catalog/language.h"
#include "platform/database.h"

namespace norvel {

// A failure the database services found themselves, in words: the situation's sentence with its
// values, and the data source's or the system's own text where the error has one. An error
// without a situation is its own text.
std::string situationText(const DatabaseError& error, Language language);

}  // namespace norvel
