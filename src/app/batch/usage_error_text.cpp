#include "app/batch/usage_error_text.h"

#include <optional>
#include <string_view>

#include "app/batch/batch_text.h"

namespace norvel::batch {
namespace {

// What stands before and after `separator` in text, when it is there.
std::optional<std::pair<std::string, std::string>> split(std::string_view text,
                                                         std::string_view separator) {
  const std::size_t at = text.find(separator);
  if (at == std::string_view::npos || at == 0) return std::nullopt;
  return std::pair{std::string(text.substr(0, at)),
                   std::string(text.substr(at + separator.size()))};
}

std::optional<std::string> after(std::string_view text, std::string_view prefix) {
  if (!text.starts_with(prefix)) return std::nullopt;
  return std::string(text.substr(prefix.size()));
}

std::optional<std::string> before(std::string_view text, std::string_view suffix) {
  if (!text.ends_with(suffix) || text.size() == suffix.size()) return std::nullopt;
  return std::string(text.substr(0, text.size() - suffix.size()));
}

}  // namespace

std::string usageErrorText(const CLI::Error& error) {
  const std::string_view text = error.what();
  if (dynamic_cast<const CLI::RequiredError*>(&error) != nullptr) {
    if (const auto option = before(text, " is required")) return tr("{1} is required", {*option});
  } else if (dynamic_cast<const CLI::ExcludesError*>(&error) != nullptr) {
    if (const auto options = split(text, " excludes ")) {
      return tr("{1} excludes {2}", {options->first, options->second});
    }
  } else if (dynamic_cast<const CLI::RequiresError*>(&error) != nullptr) {
    if (const auto options = split(text, " requires ")) {
      return tr("{1} requires {2}", {options->first, options->second});
    }
  } else if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr) {
    if (const auto extra = after(text, "The following argument was not expected: ")) {
      return tr("The following argument was not expected: {1}", {*extra});
    }
    if (const auto extras = after(text, "The following arguments were not expected: ")) {
      return tr("The following arguments were not expected: {1}", {*extras});
    }
  } else if (dynamic_cast<const CLI::ConversionError*>(&error) != nullptr) {
    // "--dry-run=maybe": a flag takes no value but true, false or a number.
    if (const auto conversion = after(text, "Could not convert: ")) {
      if (const auto option = split(*conversion, " = ")) {
        return tr("Could not convert: {1} = {2}", {option->first, option->second});
      }
    }
  } else if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr) {
    // "--db: 1 required TEXT missing": an option given without its value.
    if (const auto option = split(text, ": ");
        option && option->second.ends_with(" required TEXT missing")) {
      // TRANSLATORS: {1} is an option given without its value; {2} is the number of values missing.
      return tr("{1}: {2} required TEXT missing",
                {option->first, option->second.substr(0, option->second.find(' '))});
    }
  }
  return std::string(text);
}

}  // namespace norvel::batch
