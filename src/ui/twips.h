#pragma once

#include "ui/window_model.h"

namespace norvel {

inline constexpr double kTwipsPerInch = 1440.0;

// A rectangle in whole pixels; right() and bottom() are the last pixel inside, as window
// systems count them.
struct PixelRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;

  int right() const { return left + width - 1; }
  int bottom() const { return top + height - 1; }
  int centerX() const { return (left + right()) / 2; }
  // Moves one edge, the opposite one staying where it is.
  void setLeft(int x) {
    width += left - x;
    left = x;
  }
  void setRight(int x) { width = x - left + 1; }
  PixelRect translated(int dx, int dy) const { return {left + dx, top + dy, width, height}; }
  friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// Twips at a logical resolution (dots per inch), rounded to whole pixels.
int twipsToPixels(double twips, double dpi);
double pixelsToTwips(double pixels, double dpi);
PixelRect twipsToPixels(const TwipsRect& rect, double dpi);

// The control's rectangle in the window's client area. A control on the tab container is placed
// relative to the whole container, tab strip included, whichever tab is current.
TwipsRect windowTwips(const Control& control);
// The same in pixels, each level of nesting rounded on its own, as a window system that nests
// its controls places them: the pixels a toolkit shows, not the rounding of windowTwips().
PixelRect windowPixels(const Control& control, double dpi);

}  // namespace norvel
