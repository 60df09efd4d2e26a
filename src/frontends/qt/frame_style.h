#pragma once

#include <QProxyStyle>

class QGroupBox;

namespace norvel {

// A frame's caption sits on its top line, the line broken behind the caption, as the frames of
// the original window look; the style's own frame begins below the caption, where it runs
// through the controls the inventory places just under the caption.
class FrameStyle : public QProxyStyle {
  Q_OBJECT

 public:
  FrameStyle() = default;

  QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                       SubControl sub_control, const QWidget* widget) const override;
  void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                          QPainter* painter, const QWidget* widget) const override;
  // An etched line exactly around the frame's rectangle (styles such as Fusion move it down).
  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;

  // The area inside a frame's lines and below its caption, clear of both, in the frame's
  // coordinates.
  static QRect insideRect(const QGroupBox* frame);

  // Space between the frame's left line and its caption.
  static constexpr int kCaptionIndent = 6;
  // Space inside the frame's line that its contents keep clear.
  static constexpr int kInsideMargin = 3;
};

}  // namespace norvel
