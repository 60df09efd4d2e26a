#include "app/batch/batch_text.h"

#if NORVEL_NLS
#include <libintl.h>

#include <clocale>
#include <filesystem>
#elif NORVEL_EMBEDDED_CATALOG
#include <cstdlib>

#include "app/batch/language_choice.h"
#include "app/batch/po_catalog.h"
#endif

namespace norvel::batch {
namespace {

#if NORVEL_NLS
constexpr const char* kDomain = "norvel-batch";

// Set once, before the first text. The C locale gets the English texts whatever LANGUAGE
// says; glibc lets LANGUAGE win over C.UTF-8, the locale norvel-batch falls back to from C.
bool translating = false;

bool isCLocale(std::string_view name) {
  return name == "C" || name == "POSIX" || name.starts_with("C.");
}
#elif NORVEL_EMBEDDED_CATALOG
// Without gettext the Japanese catalog is built into the program (po/ja.po's text), and the
// environment or, failing it, the language of Windows' display chooses it.
extern "C" const char norvel_batch_ja_po[];

const PoCatalog* catalog = nullptr;
#endif

std::string filled(std::string_view text, std::initializer_list<std::string_view> values) {
  std::string result;
  result.reserve(text.size());
  std::size_t start = 0;
  for (std::size_t open; (open = text.find('{', start)) != std::string_view::npos;) {
    const std::size_t close = text.find('}', open);
    const std::string_view digits = close == std::string_view::npos
                                        ? std::string_view()
                                        : text.substr(open + 1, close - open - 1);
    const std::size_t index = digits.size() == 1 && digits[0] >= '1' && digits[0] <= '9'
                                  ? static_cast<std::size_t>(digits[0] - '1')
                                  : values.size();
    if (index >= values.size()) {
      // A brace of the text itself ("Driver={…}"), not a placeholder.
      result.append(text.substr(start, open + 1 - start));
      start = open + 1;
      continue;
    }
    result.append(text.substr(start, open - start));
    result.append(values.begin()[index]);
    start = close + 1;
  }
  result.append(text.substr(start));
  return result;
}

}  // namespace

const char* tr(const char* text) {
#if NORVEL_NLS
  return translating ? ::dgettext(kDomain, text) : text;
#elif NORVEL_EMBEDDED_CATALOG
  const char* translated = catalog != nullptr ? catalog->find(text) : nullptr;
  return translated != nullptr ? translated : text;
#else
  return text;
#endif
}

std::string tr(const char* text, std::initializer_list<std::string_view> values) {
  return filled(tr(text), values);
}

std::string trn(const char* singular, const char* plural, unsigned long count,
                std::initializer_list<std::string_view> values) {
#if NORVEL_NLS
  if (translating) return filled(::dngettext(kDomain, singular, plural, count), values);
#elif NORVEL_EMBEDDED_CATALOG
  if (catalog != nullptr) {
    if (const char* translated = catalog->findPlural(singular, count)) {
      return filled(translated, values);
    }
  }
#endif
  return filled(count == 1 ? singular : plural, values);
}

Language batchLanguage() {
#if NORVEL_NLS
  // The header of the catalog gettext picked (LANGUAGE may pick another than LC_MESSAGES).
  if (translating) {
    const std::string_view header = ::dgettext(kDomain, "");
    if (header.find("\nLanguage: ja") != std::string_view::npos) return Language::japanese;
  }
#elif NORVEL_EMBEDDED_CATALOG
  if (catalog != nullptr) return Language::japanese;
#endif
  return Language::english;
}

void bindMessageCatalog([[maybe_unused]] const Process& process) {
#if NORVEL_NLS
  const char* messages = std::setlocale(LC_MESSAGES, nullptr);
  if (messages == nullptr || isCLocale(messages)) return;
  const std::filesystem::path program = process.executablePath();
  if (program.empty()) return;  // the English texts, then
  const std::filesystem::path catalogs =
      (program.parent_path() / NORVEL_LOCALE_FROM_BIN).lexically_normal();
  ::bindtextdomain(kDomain, catalogs.c_str());
  // The catalogs are UTF-8, and so is every other text norvel-batch writes.
  ::bind_textdomain_codeset(kDomain, "UTF-8");
  translating = true;
#elif NORVEL_EMBEDDED_CATALOG
  const auto asked = languageFromEnvironment([](const char* name) { return std::getenv(name); });
  if (asked.value_or(systemLanguage()) == Language::japanese) {
    static const PoCatalog japanese(norvel_batch_ja_po);
    catalog = &japanese;
  }
#endif
}

}  // namespace norvel::batch
