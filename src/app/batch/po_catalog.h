#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace norvel::batch {

// A message catalog read from the text of a .po file, for builds without gettext (Windows):
// the translations msgfmt would compile, fuzzy and untranslated entries left out.
class PoCatalog {
 public:
  PoCatalog() = default;
  explicit PoCatalog(std::string_view po_text);

  // The translation of text, or nullptr when there is none.
  const char* find(std::string_view text) const;
  // The singular's translation for count, as the catalog's language counts (one form for
  // nplurals=1, else the English rule); nullptr when there is none.
  const char* findPlural(std::string_view singular, unsigned long count) const;
  // The header entry (the translation of the empty text).
  const std::string& header() const { return header_; }
  std::size_t size() const { return entries_.size(); }

 private:
  std::map<std::string, std::vector<std::string>, std::less<>> entries_;
  std::string header_;
  bool single_form_ = false;
};

}  // namespace norvel::batch
