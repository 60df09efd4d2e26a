#pragma once

#include "platform/window_system.h"
#include "ui/window_model.h"

namespace norvel {

// Gives the control the focus; a refusal is ignored.
void SetFocusSafe(Control& control) noexcept;

// Disables (remembering in each tag whether the control was enabled) or restores every text box,
// combo box, command button, list box and option button of the window, at any depth.
void EnableFormControls(Form& form, bool enable);

// With sizable false the window can be neither resized nor maximized and offers no close command.
void SetFormSizable(Form& form, bool sizable);

// Centres the window on the whole screen (normal state only), never above or left of it.
void CenterForm(Form& form, const WindowSystem& windows);

}  // namespace norvel
