#pragma once

#include <QFont>
#include <QStringList>
#include <QWidget>

#include "ui/window_model.h"

namespace norvel {

// Captions of the four tabs of the tab container, by index.
QStringList tabCaptions();

// The inventory's font, followed by the installed Japanese face of the same kind for systems
// that do not have it.
QFont inventoryFont(const FontSpec& inventory_font);

// A widget for one control of the inventory, with its caption, font and fixed geometry (in
// pixels at dpi), a child of parent. Right-aligned labels and check boxes whose caption does
// not fit in this font grow by what is missing, labels to the left and check boxes to the right.
// Null for controls without a widget (the dialog component). The tab container comes with its four
// pages.
QWidget* createControlWidget(const Control& control, QWidget* parent, double dpi);

}  // namespace norvel
