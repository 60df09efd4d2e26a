#pragma once

#include <QFont>
#include <QRect>

#include "ui/caption_fit.h"

class QWidget;

namespace norvel {

// Pixels the caption of a label, check box or command button takes in the widget's current font
// (with the check box's indicator and the button's bevel); 0 for other widgets.
int captionWidth(const QWidget* widget);

// Gives the control's widget the inventory's geometry and font, then fits its caption into the
// room (ui/caption_fit.h), measuring it in this toolkit's fonts.
void fitCaption(QWidget* widget, const Control& control, const QRect& placed, const QFont& font,
                const CaptionRoom& room);

}  // namespace norvel
