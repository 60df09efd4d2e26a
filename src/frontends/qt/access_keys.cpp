#include "access_keys.h"

#include <algorithm>
#include <vector>

#include "qt_text.h"

namespace norvel {

QChar accessKey(const QString& caption) {
  for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != QLatin1Char('&')) continue;
    if (caption[i + 1] != QLatin1Char('&')) return caption[i + 1].toUpper();
    ++i;  // "&&" is a literal ampersand
  }
  return {};
}

AccessKeyTarget accessKeyTarget(const Form& form, QChar key, const Control* from) {
  std::vector<Control*> keyed;
  for (const auto& owned : form.controls()) {
    Control& control = *owned;
    if (control.canTakeFocus() && accessKey(toQString(control.text())) == key.toUpper()) {
      keyed.push_back(&control);
    }
  }
  if (keyed.empty() || key.isNull()) return {};
  std::stable_sort(keyed.begin(), keyed.end(), [](const Control* a, const Control* b) {
    return a->inventory().tab_order < b->inventory().tab_order;
  });
  if (keyed.size() == 1) return {keyed.front(), true};
  const int after = from != nullptr ? from->inventory().tab_order : -1;
  const auto next = std::find_if(keyed.begin(), keyed.end(), [after](const Control* c) {
    return c->inventory().tab_order > after;
  });
  return {next != keyed.end() ? *next : keyed.front(), false};
}

}  // namespace norvel
