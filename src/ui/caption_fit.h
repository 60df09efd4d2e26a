#pragma once

#include <functional>
#include <vector>

#include "ui/twips.h"
#include "ui/window_model.h"

namespace norvel {

// Where a caption may spread, in the coordinates of its control's parent: the area inside its
// container's border, and the boxes beside it that it must keep clear of by gap pixels.
struct CaptionRoom {
  PixelRect bounds;
  std::vector<PixelRect> boxes;
  int gap = 0;
};

// Blank pixels between a caption and the box beside it, at a resolution.
int captionGap(double dpi);

// The controls whose boxes a caption must keep clear of: every other control on the same tab
// (or off the tabs, like it) that takes the focus, wherever it sits: the arrow between the code
// boxes lies on their backdrop, not beside them.
std::vector<const Control*> captionNeighbours(const Form& form, const Control& control);

// Pixels the caption takes at a font size, in the toolkit's own fonts (with a check box's
// indicator and a button's bevel).
using CaptionMeasure = std::function<int(double points)>;

struct FittedCaption {
  PixelRect geometry;
  double points = 0;
  bool centred = false;  // a label between two boxes is centred between them
};

// Makes the caption of a label, check box or command button fit the fonts this system has, which
// run wider than the inventory's: first into free space (a right-aligned label to the left, so
// that it still ends just before the box it names; other captions to the right, then to the
// left; buttons never move), then by a smaller font. Other kinds keep `placed` and `points`.
FittedCaption fitCaption(const Control& control, const PixelRect& placed, double points,
                         const CaptionRoom& room, const CaptionMeasure& width_at);

}  // namespace norvel
