#pragma once

#include "ui/window_model.h"

namespace norvel {

// Adds every control of the main window to the form, in inventory order (the window first).
void buildFrmNorvelInventory(Form& form);

inline constexpr int kClientWidthTwips = 7710;
inline constexpr int kClientHeightTwips = 6690;

}  // namespace norvel
