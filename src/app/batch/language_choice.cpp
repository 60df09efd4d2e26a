#include "app/batch/language_choice.h"

#include <string_view>

namespace norvel::batch {
namespace {

bool isCLocale(std::string_view name) {
  return name == "C" || name == "POSIX" || name.starts_with("C.");
}

Language languageOf(std::string_view locale) {
  return locale.starts_with("ja") ? Language::japanese : Language::english;
}

}  // namespace

std::optional<Language> languageFromEnvironment(
    const std::function<const char*(const char* name)>& variable) {
  std::string_view locale;
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = variable(name);
    if (value != nullptr && *value != '\0') {
      locale = value;
      break;
    }
  }
  if (isCLocale(locale)) return Language::english;
  // Only the first language of the list: the catalogs are Japanese or none.
  if (const char* list = variable("LANGUAGE"); list != nullptr && *list != '\0') {
    const std::string_view languages(list);
    return languageOf(languages.substr(0, languages.find(':')));
  }
  if (locale.empty()) return std::nullopt;
  return languageOf(locale);
}

}  // namespace norvel::batch
