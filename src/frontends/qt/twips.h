#pragma once

#include <QRect>

#include "ui/window_model.h"

namespace norvel {

inline constexpr double kTwipsPerInch = 1440.0;

// Twips at the screen's logical resolution (dots per inch), rounded to whole pixels.
int twipsToPixels(double twips, double dpi);
double pixelsToTwips(double pixels, double dpi);
QRect twipsToPixels(const TwipsRect& rect, double dpi);

// The logical resolution of the primary screen, the one the window is centred on.
double primaryScreenDpi();

}  // namespace norvel
