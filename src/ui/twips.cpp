#include "ui/twips.h"

#include <cmath>

namespace norvel {

int twipsToPixels(double twips, double dpi) {
  return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch));
}

double pixelsToTwips(double pixels, double dpi) {
  return pixels * kTwipsPerInch / dpi;
}

PixelRect twipsToPixels(const TwipsRect& rect, double dpi) {
  return {twipsToPixels(rect.left, dpi), twipsToPixels(rect.top, dpi),
          twipsToPixels(rect.width, dpi), twipsToPixels(rect.height, dpi)};
}

TwipsRect windowTwips(const Control& control) {
  TwipsRect rect = control.inventory().layout;
  // The window's own rectangle is its client area; it adds no offset.
  for (const Control* c = control.container(); c != nullptr && c->container() != nullptr;
       c = c->container()) {
    rect.left += c->inventory().layout.left;
    rect.top += c->inventory().layout.top;
  }
  return rect;
}

PixelRect windowPixels(const Control& control, double dpi) {
  PixelRect rect = twipsToPixels(control.inventory().layout, dpi);
  for (const Control* c = control.container(); c != nullptr && c->container() != nullptr;
       c = c->container()) {
    const PixelRect outer = twipsToPixels(c->inventory().layout, dpi);
    rect = rect.translated(outer.left, outer.top);
  }
  return rect;
}

}  // namespace norvel
