#pragma once

#include <QFont>
#include <QRect>

#include <vector>

class QWidget;

namespace norvel {

// Where a caption may spread, in the coordinates of its control's parent: the area inside its
// container's border, and the boxes beside it that it must keep clear of by gap pixels.
struct CaptionRoom {
  QRect bounds;
  std::vector<QRect> boxes;
  int gap = 0;
};

// Pixels the caption of a label, check box or command button takes in the widget's current font
// (with the check box's indicator and the button's bevel); 0 for other widgets.
int captionWidth(const QWidget* widget);

// Gives a label, check box or command button the inventory's geometry and font, then makes its
// caption fit the fonts this system has, which run wider than the inventory's: first into free
// space (a right-aligned label to the left, so that it still ends just before the box it names;
// other captions to the right, then to the left), then by a smaller font. A label that sits
// between two boxes is centred between them. Other widgets only get the geometry and font.
void fitCaption(QWidget* widget, const QRect& placed, const QFont& font, const CaptionRoom& room);

}  // namespace norvel
