#include "caption_fit.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>

#include "qt_text.h"
#include "twips.h"
#include "ui/access_keys.h"

namespace norvel {

int captionWidth(const QWidget* widget) {
  if (const auto* label = qobject_cast<const QLabel*>(widget)) {
    const int margins = label->contentsMargins().left() + label->contentsMargins().right();
    // One pixel either side for the anti-aliased edges of the first and last glyph.
    return label->fontMetrics().horizontalAdvance(label->text()) + margins + 2;
  }
  if (const auto* check = qobject_cast<const QCheckBox*>(widget)) return check->sizeHint().width();
  if (const auto* button = qobject_cast<const QPushButton*>(widget)) {
    QStyleOptionButton option;
    option.initFrom(button);
    const int bevel =
        2 * (button->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, button) + 1);
    const QString shown = toQString(withoutAccessMarks(toUtf8(button->text())));
    return button->fontMetrics().horizontalAdvance(shown) + bevel;
  }
  return 0;
}

void fitCaption(QWidget* widget, const Control& control, const QRect& placed, const QFont& font,
                const CaptionRoom& room) {
  widget->setFont(font);
  widget->setGeometry(placed);
  const auto width_at = [widget, &font](double points) {
    QFont sized = font;
    sized.setPointSizeF(points);
    widget->setFont(sized);
    return captionWidth(widget);
  };
  const FittedCaption fitted =
      fitCaption(control, toPixelRect(placed), font.pointSizeF(), room, width_at);
  widget->setGeometry(toQRect(fitted.geometry));
  QFont shown = font;
  shown.setPointSizeF(fitted.points);
  widget->setFont(shown);
  if (auto* label = qobject_cast<QLabel*>(widget); label != nullptr && fitted.centred) {
    label->setAlignment((label->alignment() & ~Qt::AlignHorizontal_Mask) | Qt::AlignHCenter);
  }
}

}  // namespace norvel
