#include "ui/caption_fit.h"

#include <algorithm>
#include <cmath>

namespace norvel {
namespace {

// The gap at 96 dots per inch.
constexpr double kCaptionGap = 4.0;
constexpr double kSmallestPoints = 6.0;
constexpr double kPointStep = 0.25;

bool overlapsVertically(const PixelRect& a, const PixelRect& b) {
  return a.top <= b.bottom() && b.top <= a.bottom();
}

int tabOf(const Control& control) {
  for (const Control* c = &control; c != nullptr; c = c->container()) {
    if (c->inventory().tab >= 0) return c->inventory().tab;
  }
  return -1;
}

}  // namespace

int captionGap(double dpi) {
  return static_cast<int>(std::lround(kCaptionGap * dpi / 96.0));
}

std::vector<const Control*> captionNeighbours(const Form& form, const Control& control) {
  std::vector<const Control*> neighbours;
  const int tab = tabOf(control);
  for (const auto& owned : form.controls()) {
    const Control& other = *owned;
    if (&other == &control || !kindTakesFocus(other.kind()) ||
        other.kind() == ControlKind::tabContainer || tabOf(other) != tab) {
      continue;
    }
    neighbours.push_back(&other);
  }
  return neighbours;
}

FittedCaption fitCaption(const Control& control, const PixelRect& placed, double points,
                         const CaptionRoom& room, const CaptionMeasure& width_at) {
  FittedCaption fitted{placed, points, false};
  const ControlKind kind = control.kind();
  const bool label = kind == ControlKind::label;
  const bool movable = label || kind == ControlKind::checkBox;
  if (!movable && kind != ControlKind::commandButton) return fitted;

  PixelRect& geometry = fitted.geometry;
  if (movable) {
    int low = room.bounds.left;
    int high = room.bounds.right();
    bool box_left = false;
    bool box_right = false;
    for (const PixelRect& box : room.boxes) {
      if (!overlapsVertically(box, placed)) continue;
      if (box.centerX() < placed.centerX()) {
        low = std::max(low, box.right() + 1 + room.gap);
        box_left = true;
      } else {
        high = std::min(high, box.left - 1 - room.gap);
        box_right = true;
      }
    }
    geometry.setLeft(std::max(geometry.left, low));
    geometry.setRight(std::min(geometry.right(), high));
    const int needed = width_at(points);
    if (geometry.width < needed) {
      if (!label || !control.inventory().right_aligned) {
        geometry.setRight(std::min(high, geometry.left + needed - 1));
      }
      geometry.setLeft(std::max(low, geometry.right() + 1 - needed));
    }
    fitted.centred = label && box_left && box_right;
  }

  // What free space cannot hold is made to fit with a smaller font.
  while (width_at(fitted.points) > geometry.width &&
         fitted.points - kPointStep >= kSmallestPoints) {
    fitted.points -= kPointStep;
  }
  return fitted;
}

}  // namespace norvel
