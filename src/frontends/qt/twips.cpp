#include "twips.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace norvel {

int twipsToPixels(double twips, double dpi) {
  return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch));
}

double pixelsToTwips(double pixels, double dpi) {
  return pixels * kTwipsPerInch / dpi;
}

QRect twipsToPixels(const TwipsRect& rect, double dpi) {
  return QRect(twipsToPixels(rect.left, dpi), twipsToPixels(rect.top, dpi),
               twipsToPixels(rect.width, dpi), twipsToPixels(rect.height, dpi));
}

double primaryScreenDpi() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return 96.0;
  const double dpi = screen->logicalDotsPerInch();
  return dpi > 0 ? dpi : 96.0;
}

}  // namespace norvel
