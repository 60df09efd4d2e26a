#include "frame_style.h"

#include <qdrawutil.h>
#include <QGroupBox>
#include <QPainter>
#include <QStyleOption>
#include <QStyleOptionGroupBox>

#include <algorithm>

namespace norvel {

QRect FrameStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                                 SubControl sub_control, const QWidget* widget) const {
  const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
  if (control != CC_GroupBox || box == nullptr || box->text.isEmpty()) {
    return QProxyStyle::subControlRect(control, option, sub_control, widget);
  }
  const QFontMetrics metrics = box->fontMetrics;
  const int caption_height = metrics.height();
  switch (sub_control) {
    case SC_GroupBoxLabel: {
      const int width = metrics.horizontalAdvance(box->text) + 2;
      return QRect(box->rect.left() + kCaptionIndent, box->rect.top(),
                   std::min(width, box->rect.width() - 2 * kCaptionIndent), caption_height);
    }
    case SC_GroupBoxFrame:
      return box->rect.adjusted(0, caption_height / 2, 0, 0);
    case SC_GroupBoxContents:
      return box->rect.adjusted(1, caption_height, -1, -1);
    default:
      return QProxyStyle::subControlRect(control, option, sub_control, widget);
  }
}

QRect FrameStyle::insideRect(const QGroupBox* frame) {
  QStyleOptionGroupBox option;
  option.initFrom(frame);
  option.text = frame->title();
  option.textAlignment = frame->alignment();
  option.lineWidth = 1;
  option.subControls = SC_GroupBoxFrame | SC_GroupBoxLabel;
  QRect inside = frame->style()
                     ->subControlRect(CC_GroupBox, &option, SC_GroupBoxFrame, frame)
                     .adjusted(kInsideMargin, kInsideMargin, -kInsideMargin, -kInsideMargin);
  if (!option.text.isEmpty()) {
    inside.setTop(std::max(
        inside.top(),
        frame->style()->subControlRect(CC_GroupBox, &option, SC_GroupBoxLabel, frame).bottom() +
            1));
  }
  return inside;
}

void FrameStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                               QPainter* painter, const QWidget* widget) const {
  if (element != PE_FrameGroupBox) {
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    return;
  }
  qDrawShadeRect(painter, option->rect, option->palette, true, 1, 0);
}

void FrameStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                    QPainter* painter, const QWidget* widget) const {
  const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
  if (control != CC_GroupBox || box == nullptr || box->text.isEmpty()) {
    QProxyStyle::drawComplexControl(control, option, painter, widget);
    return;
  }
  QStyleOptionGroupBox part = *box;
  part.subControls = box->subControls & SC_GroupBoxFrame;
  if (part.subControls != SC_None) {
    // The line stops a little before the caption and resumes a little after it.
    const QRect caption = subControlRect(control, option, SC_GroupBoxLabel, widget);
    painter->save();
    painter->setClipRegion(QRegion(box->rect) - caption.adjusted(-2, 0, 2, 0));
    QProxyStyle::drawComplexControl(control, &part, painter, widget);
    painter->restore();
  }
  part.subControls = box->subControls & SC_GroupBoxLabel;
  if (part.subControls != SC_None) QProxyStyle::drawComplexControl(control, &part, painter, widget);
}

}  // namespace norvel
