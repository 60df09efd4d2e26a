#pragma once

#include "ui/form_helpers.h"
#include "ui/frm_norvel.h"

namespace norvel {

// A long action's hold on the window: disables it at the start and restores it exactly once,
// on every path out of the action. While held, nothing may enable a control.
class FrmNorvel::LongAction {
 public:
  explicit LongAction(FrmNorvel& window) : window_(window) {
    EnableFormControls(window_.form_, false);
    ++window_.long_action_depth_;
  }
  ~LongAction() {
    try {
      restore();
    } catch (...) {
    }
  }
  LongAction(const LongAction&) = delete;
  LongAction& operator=(const LongAction&) = delete;

  void restore() {
    if (restored_) return;
    restored_ = true;
    --window_.long_action_depth_;
    EnableFormControls(window_.form_, true);
  }
  bool restored() const { return restored_; }

 private:
  FrmNorvel& window_;
  bool restored_ = false;
};

}  // namespace norvel
