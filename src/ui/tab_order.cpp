#include "ui/tab_order.h"

#include <algorithm>

namespace norvel {

std::vector<Control*> tabOrder(const Form& form) {
  std::vector<Control*> order;
  for (const auto& owned : form.controls()) {
    if (kindTakesFocus(owned->kind())) order.push_back(owned.get());
  }
  std::stable_sort(order.begin(), order.end(), [](const Control* a, const Control* b) {
    return a->inventory().tab_order < b->inventory().tab_order;
  });
  return order;
}

Control* nextInTabOrder(const Form& form, const Control* from, bool forward,
                        const std::function<bool(const Control&)>& usable) {
  const std::vector<Control*> order = tabOrder(form);
  const int count = static_cast<int>(order.size());
  if (count == 0) return nullptr;
  const auto at = std::find(order.begin(), order.end(), from);
  int index = at != order.end() ? static_cast<int>(at - order.begin()) : (forward ? count - 1 : 0);
  for (int step = 0; step < count; ++step) {
    index = (index + (forward ? 1 : count - 1)) % count;
    Control& candidate = *order[static_cast<std::size_t>(index)];
    if (candidate.canTakeFocus() && (!usable || usable(candidate))) return &candidate;
  }
  return nullptr;
}

}  // namespace norvel
