#pragma once

#include <QRect>

#include "ui/twips.h"

namespace norvel {

inline QRect toQRect(const PixelRect& rect) {
  return QRect(rect.left, rect.top, rect.width, rect.height);
}
inline PixelRect toPixelRect(const QRect& rect) {
  return {rect.left(), rect.top(), rect.width(), rect.height()};
}

// The logical resolution of the primary screen, the one the window is centred on.
double primaryScreenDpi();

}  // namespace norvel
