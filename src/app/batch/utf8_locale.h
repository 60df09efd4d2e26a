#pragma once

namespace norvel::batch {

// Takes the user's locale and makes sure its character set is UTF-8, falling back to C.UTF-8:
// unixODBC converts text for ANSI drivers (SQLite3) through the locale. False when no UTF-8
// locale could be set.
bool useUtf8Locale();

}  // namespace norvel::batch
