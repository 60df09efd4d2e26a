// Which language norvel-batch speaks where there is no gettext (Windows): the environment as
// gettext reads it, or else the language of the system.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "app/batch/language_choice.h"

namespace norvel::batch {
namespace {

TEST(LanguageChoice, TheEnvironmentDecidesAsGettextReadsIt) {
  using Env = std::map<std::string, std::string>;
  const struct {
    Env env;
    std::optional<Language> expected;
  } cases[] = {
      {{}, std::nullopt},
      {{{"LANG", "ja_JP.UTF-8"}}, Language::japanese},
      {{{"LANG", "ja"}}, Language::japanese},
      {{{"LANG", "en_US.UTF-8"}}, Language::english},
      {{{"LANG", "C"}}, Language::english},
      {{{"LC_ALL", "C.UTF-8"}, {"LANG", "ja_JP.UTF-8"}}, Language::english},
      {{{"LC_ALL", "C"}, {"LANGUAGE", "ja"}}, Language::english},
      {{{"LC_MESSAGES", "POSIX"}, {"LANG", "ja_JP.UTF-8"}}, Language::english},
      {{{"LC_MESSAGES", "ja_JP.UTF-8"}, {"LANG", "en_US.UTF-8"}}, Language::japanese},
      {{{"LANG", "en_US.UTF-8"}, {"LANGUAGE", "ja:en"}}, Language::japanese},
      {{{"LANG", "ja_JP.UTF-8"}, {"LANGUAGE", "en:ja"}}, Language::english},
      {{{"LANGUAGE", "ja"}}, Language::japanese},
      {{{"LANG", ""}}, std::nullopt},
  };
  for (const auto& c : cases) {
    const auto chosen = languageFromEnvironment([&c](const char* name) -> const char* {
      const auto found = c.env.find(name);
      return found == c.env.end() ? nullptr : found->second.c_str();
    });
    std::string described;
    for (const auto& [name, value] : c.env) described += name + "=" + value + " ";
    EXPECT_EQ(chosen, c.expected) << described;
  }
}

}  // namespace
}  // namespace norvel::batch
