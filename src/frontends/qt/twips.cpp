#include "twips.h"

#include <QGuiApplication>
#include <QScreen>

namespace norvel {

double primaryScreenDpi() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return 96.0;
  const double dpi = screen->logicalDotsPerInch();
  return dpi > 0 ? dpi : 96.0;
}

}  // namespace norvel
