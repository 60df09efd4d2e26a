#pragma once

#include <string>

#include "app/sample/postal_csv.h"

namespace norvel::sample {

inline constexpr const char* kSampleTable = "住所";

// Writes an SQLite database with the table 住所: one TEXT column per column of the list, in its
// order, and an index on the postal code, all rows in one transaction. The file appears only
// once complete (built beside it, then renamed). Throws DatabaseError or FileError.
void writeSampleDatabase(const std::string& path, const PostalCsv& csv);

}  // namespace norvel::sample
