#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "catalog/language.h"
#include "platform/process.h"

namespace norvel::batch {

// norvel-batch's own texts in the language of the user's locale (LC_MESSAGES, LANGUAGE), from
// the "norvel-batch" message catalog. A build without gettext, the C locale (C.UTF-8 too) and a
// language without a catalog give the English text back unchanged. The window's texts never
// pass through here: they are the same in every locale.
const char* tr(const char* text);

// tr(text) with {1}, {2}, … replaced by values[0], values[1], …, so that a translation may put
// them in its own order.
std::string tr(const char* text, std::initializer_list<std::string_view> values);

// The singular or the plural text for count, as the language counts, with {1}, … replaced.
std::string trn(const char* singular, const char* plural, unsigned long count,
                std::initializer_list<std::string_view> values);

// The language tr() answers in, for the texts of the shared catalogue: Japanese where the
// message catalog chosen for the locale is the Japanese one, English otherwise.
Language batchLanguage();

// Points the catalog lookup at share/locale beside the program's bin folder, so that a build
// tree and an installed copy each find their own catalogs. Called before the first text.
void bindMessageCatalog(const Process& process);

}  // namespace norvel::batch
