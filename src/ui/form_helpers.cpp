#include "ui/form_helpers.h"

namespace norvel {

void SetFocusSafe(Control& control) noexcept {
  try {
    control.setFocus();
  } catch (...) {
  }
}

void EnableFormControls(Form& form, bool enable) {
  for (const auto& c : form.controls()) {
    switch (c->kind()) {
      case ControlKind::textBox:
      case ControlKind::comboBox:
      case ControlKind::commandButton:
      case ControlKind::listBox:
      case ControlKind::optionButton:
        break;
      default:
        continue;
    }
    if (enable) {
      c->setEnabled(c->tag() == "1");
    } else {
      c->setTag(c->enabled() ? "1" : "");
      c->setEnabled(false);
    }
  }
}

void SetFormSizable(Form& form, bool sizable) {
  form.setSizable(sizable);
}

void CenterForm(Form& form, const WindowSystem& windows) {
  if (form.windowState() != WindowState::normal) return;
  const ScreenSize screen = windows.screenSize();
  double left = (screen.width_twips - form.outerWidth()) / 2.0;
  double top = (screen.height_twips - form.outerHeight()) / 2.0;
  if (left < 0) left = 0;
  if (top < 0) top = 0;
  form.move(static_cast<int>(left), static_cast<int>(top));
}

}  // namespace norvel
