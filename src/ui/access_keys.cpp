#include "ui/access_keys.h"

#include <algorithm>
#include <vector>

#include "text/utf8.h"
#include "ui/tab_order.h"

namespace norvel {
namespace {

char32_t upper(char32_t c) {
  return c >= U'a' && c <= U'z' ? c - U'a' + U'A' : c;
}

}  // namespace

char32_t accessKey(std::string_view caption) {
  for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] == '&') {
      ++i;  // a literal ampersand
      continue;
    }
    const utf8::Decoded key = utf8::decode(caption.substr(i + 1));
    return key.length > 0 ? upper(key.code_point) : 0;
  }
  return 0;
}

std::string withoutAccessMarks(std::string_view caption) {
  std::string shown;
  shown.reserve(caption.size());
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] != '&') {
      shown += caption[i];
    } else if (i + 1 < caption.size() && caption[i + 1] == '&') {
      shown += '&';
      ++i;
    }
  }
  return shown;
}

AccessKeyTarget accessKeyTarget(const Form& form, char32_t key, const Control* from) {
  if (key == 0) return {};
  key = upper(key);
  std::vector<Control*> keyed;
  for (Control* control : tabOrder(form)) {
    if (control->canTakeFocus() && accessKey(control->text()) == key) keyed.push_back(control);
  }
  if (keyed.empty()) return {};
  if (keyed.size() == 1) return {keyed.front(), true};
  const int after = from != nullptr ? from->inventory().tab_order : -1;
  const auto next = std::find_if(keyed.begin(), keyed.end(), [after](const Control* c) {
    return c->inventory().tab_order > after;
  });
  return {next != keyed.end() ? *next : keyed.front(), false};
}

}  // namespace norvel
