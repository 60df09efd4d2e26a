#pragma once

namespace norvel {

// Takes the user's locale from the environment and makes sure its character set is UTF-8
// (unixODBC converts text for ANSI drivers through it): where it is not, C.UTF-8 is used, also
// for everything that reads the environment later (Qt sets the locale again when it starts).
// False when no UTF-8 locale could be set.
bool useUtf8Locale();

// True when the current locale's character set is UTF-8.
bool localeIsUtf8();

}  // namespace norvel
