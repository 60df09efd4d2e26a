#pragma once

#include <functional>
#include <optional>

#include "catalog/language.h"

namespace norvel::batch {

// The language the environment asks for, read as gettext reads it: the first of LC_ALL,
// LC_MESSAGES and LANG that is set names the locale (C and POSIX are English, C.UTF-8 too);
// LANGUAGE, a ':'-separated list, comes before it unless that locale is C. nullopt when none
// is set, so that the system's own language decides.
std::optional<Language> languageFromEnvironment(
    const std::function<const char*(const char* name)>& variable);

// The language of the user's Windows display (GetUserDefaultUILanguage); English elsewhere.
Language systemLanguage();

}  // namespace norvel::batch
