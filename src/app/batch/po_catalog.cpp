#include "app/batch/po_catalog.h"

#include <optional>

namespace norvel::batch {
namespace {

// The text of the line's C string literal, its escapes undone.
std::string literal(std::string_view line) {
  std::string text;
  const std::size_t open = line.find('"');
  if (open == std::string_view::npos) return text;
  for (std::size_t i = open + 1; i < line.size() && line[i] != '"'; ++i) {
    if (line[i] != '\\' || i + 1 == line.size()) {
      text += line[i];
      continue;
    }
    switch (line[++i]) {
      case 'n':
        text += '\n';
        break;
      case 't':
        text += '\t';
        break;
      case 'r':
        text += '\r';
        break;
      default:
        text += line[i];  // \" \\ and the rest as they are
    }
  }
  return text;
}

struct Entry {
  bool fuzzy = false;
  std::optional<std::string> id;
  std::optional<std::string> plural_id;
  std::vector<std::string> forms;
  std::string* open = nullptr;  // where a continuation line goes
};

}  // namespace

PoCatalog::PoCatalog(std::string_view po_text) {
  Entry entry;
  const auto finish = [&] {
    if (entry.id && !entry.fuzzy && !entry.forms.empty()) {
      bool translated = true;
      for (const auto& form : entry.forms) translated = translated && !form.empty();
      if (entry.id->empty()) {
        header_ = entry.forms.front();
        single_form_ = header_.find("nplurals=1;") != std::string::npos;
      } else if (translated) {
        entries_[*entry.id] = std::move(entry.forms);
      }
    }
    entry = Entry();
  };

  std::size_t start = 0;
  while (start <= po_text.size()) {
    const std::size_t end = std::min(po_text.find('\n', start), po_text.size());
    std::string_view line = po_text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

    if (line.starts_with("#,")) {
      if (entry.id) finish();
      entry.fuzzy = line.find("fuzzy") != std::string_view::npos;
    } else if (line.starts_with("msgid_plural")) {
      entry.plural_id = literal(line);
      entry.open = &*entry.plural_id;
    } else if (line.starts_with("msgid")) {
      if (entry.id) finish();
      entry.id = literal(line);
      entry.open = &*entry.id;
    } else if (line.starts_with("msgstr")) {
      entry.forms.push_back(literal(line));
      entry.open = &entry.forms.back();
    } else if (line.starts_with("\"") && entry.open != nullptr) {
      *entry.open += literal(line);
    } else if (line.empty() || line.starts_with("#")) {
      if (entry.id && !entry.forms.empty()) finish();
    }
    if (end == po_text.size()) break;
  }
  finish();
}

const char* PoCatalog::find(std::string_view text) const {
  const auto found = entries_.find(text);
  return found == entries_.end() ? nullptr : found->second.front().c_str();
}

const char* PoCatalog::findPlural(std::string_view singular, unsigned long count) const {
  const auto found = entries_.find(singular);
  if (found == entries_.end()) return nullptr;
  const std::size_t form = single_form_ || count == 1 ? 0 : 1;
  return form < found->second.size() ? found->second[form].c_str() : nullptr;
}

}  // namespace norvel::batch
