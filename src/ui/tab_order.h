#pragma once

#include <functional>
#include <vector>

#include "ui/window_model.h"

namespace norvel {

// The controls that can ever hold the focus, in the inventory's tab order (inventory order
// where two share a value), whether they can take it now or not.
std::vector<Control*> tabOrder(const Form& form);

// Where Tab (forward) or Shift+Tab moves the focus from `from`: the next control in tab order,
// wrapping round, that can take the focus now and that `usable` accepts (a front end's own
// conditions; none when empty). Without `from`, Tab starts at the first control and Shift+Tab at
// the last. Null when no control qualifies.
Control* nextInTabOrder(const Form& form, const Control* from, bool forward,
                        const std::function<bool(const Control&)>& usable = {});

}  // namespace norvel
