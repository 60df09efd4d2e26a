#include "caption_fit.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>

namespace norvel {
namespace {

constexpr double kSmallestPoints = 6.0;
constexpr double kPointStep = 0.25;

QString withoutAccessMarks(QString caption) {
  caption.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
  caption.remove(QLatin1Char('&'));
  caption.replace(QLatin1Char('\x01'), QLatin1Char('&'));
  return caption;
}

bool overlapsVertically(const QRect& a, const QRect& b) {
  return a.top() <= b.bottom() && b.top() <= a.bottom();
}

}  // namespace

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
    return button->fontMetrics().horizontalAdvance(withoutAccessMarks(button->text())) + bevel;
  }
  return 0;
}

void fitCaption(QWidget* widget, const QRect& placed, const QFont& font, const CaptionRoom& room) {
  widget->setFont(font);
  widget->setGeometry(placed);
  auto* label = qobject_cast<QLabel*>(widget);
  const bool movable = label != nullptr || qobject_cast<QCheckBox*>(widget) != nullptr;
  if (!movable && qobject_cast<QPushButton*>(widget) == nullptr) return;

  QRect geometry = placed;
  if (movable) {
    int low = room.bounds.left();
    int high = room.bounds.right();
    bool box_left = false;
    bool box_right = false;
    for (const QRect& box : room.boxes) {
      if (!overlapsVertically(box, placed)) continue;
      if (box.center().x() < placed.center().x()) {
        low = std::max(low, box.right() + 1 + room.gap);
        box_left = true;
      } else {
        high = std::min(high, box.left() - 1 - room.gap);
        box_right = true;
      }
    }
    geometry.setLeft(std::max(geometry.left(), low));
    geometry.setRight(std::min(geometry.right(), high));
    const int needed = captionWidth(widget);
    if (geometry.width() < needed) {
      if (label == nullptr || !(label->alignment() & Qt::AlignRight)) {
        geometry.setRight(std::min(high, geometry.left() + needed - 1));
      }
      geometry.setLeft(std::max(low, geometry.right() + 1 - needed));
    }
    if (label != nullptr && box_left && box_right) {
      label->setAlignment((label->alignment() & ~Qt::AlignHorizontal_Mask) | Qt::AlignHCenter);
    }
    widget->setGeometry(geometry);
  }

  // What free space cannot hold is made to fit with a smaller font.
  QFont smaller = font;
  while (captionWidth(widget) > geometry.width() &&
         smaller.pointSizeF() - kPointStep >= kSmallestPoints) {
    smaller.setPointSizeF(smaller.pointSizeF() - kPointStep);
    widget->setFont(smaller);
  }
}

}  // namespace norvel
