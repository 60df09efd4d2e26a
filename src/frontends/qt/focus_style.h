#pragma once

#include <QProxyStyle>

namespace norvel {

// The keyboard focus drawn so that an operator finds it at a glance: a solid frame in the
// highlight colour, some pixels wide at the window's resolution, where the style draws a faint
// tint (the focused button, tab, list line, check box, status box) or a one-pixel line (the text
// boxes and drop-down lists). Everything else is the style's own.
class FocusStyle : public QProxyStyle {
  Q_OBJECT

 public:
  // Laid out at dpi dots per inch.
  explicit FocusStyle(double dpi);

  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget) const override;
  void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                          QPainter* painter, const QWidget* widget) const override;

  int frameWidth() const { return width_; }

 private:
  void drawFrame(QPainter* painter, const QRect& rect, const QPalette& palette) const;

  int width_;
};

}  // namespace norvel
