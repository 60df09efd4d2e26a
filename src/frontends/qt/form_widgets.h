#pragma once

#include <QFont>
#include <QWidget>

#include "ui/window_model.h"

namespace norvel {

// The inventory's font, followed by the installed Japanese face of the same kind for systems
// that do not have it; its size times scale.
QFont inventoryFont(const FontSpec& inventory_font, double scale = 1.0);

// A widget for one control of the inventory, with its caption, font and the inventory's geometry
// (in pixels at dpi), a child of parent; captions are fitted later (caption_fit.h), once the
// controls beside them are there. Null for controls without a widget (the dialog component). The
// tab container comes with a page for each of its tabs.
QWidget* createControlWidget(const Control& control, QWidget* parent, double dpi);

}  // namespace norvel
