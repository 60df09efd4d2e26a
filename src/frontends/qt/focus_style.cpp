#include "focus_style.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QStyleOption>

#include <algorithm>
#include <cmath>

namespace norvel {

FocusStyle::FocusStyle(double dpi)
    : width_(std::max(2, static_cast<int>(std::lround(2.0 * dpi / 96.0)))) {}

void FocusStyle::drawFrame(QPainter* painter, const QRect& rect, const QPalette& palette) const {
  const QColor colour = palette.color(QPalette::Active, QPalette::Highlight);
  const int w = std::min({width_, rect.width() / 2, rect.height() / 2});
  if (w <= 0) return;
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing, false);
  painter->fillRect(QRect(rect.left(), rect.top(), rect.width(), w), colour);
  painter->fillRect(QRect(rect.left(), rect.bottom() - w + 1, rect.width(), w), colour);
  painter->fillRect(QRect(rect.left(), rect.top(), w, rect.height()), colour);
  painter->fillRect(QRect(rect.right() - w + 1, rect.top(), w, rect.height()), colour);
  painter->restore();
}

void FocusStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                               QPainter* painter, const QWidget* widget) const {
  if (element == PE_FrameFocusRect) {
    drawFrame(painter, option->rect, option->palette);
    return;
  }
  QProxyStyle::drawPrimitive(element, option, painter, widget);
  if (element == PE_PanelLineEdit && (option->state & State_HasFocus) &&
      (option->state & State_Enabled)) {
    drawFrame(painter, option->rect, option->palette);
  }
}

void FocusStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                             const QWidget* widget) const {
  QProxyStyle::drawControl(element, option, painter, widget);
  // The style leaves these without a frame of their own (or with a tint only): the frame goes
  // where the focus is, decided by the widget as the focus may not be in the option's state.
  if (widget == nullptr || !widget->hasFocus()) return;
  switch (element) {
    case CE_PushButton:
    case CE_CheckBox:
      drawFrame(painter, option->rect, option->palette);
      break;
    case CE_TabBarTab:
      if (option->state & State_Selected) drawFrame(painter, option->rect, option->palette);
      break;
    case CE_ItemViewItem: {
      const auto* item = qstyleoption_cast<const QStyleOptionViewItem*>(option);
      const auto* view = qobject_cast<const QAbstractItemView*>(widget);
      if (item != nullptr && view != nullptr && item->index == view->currentIndex()) {
        // A selected line is filled with the highlight colour already.
        QPalette palette = option->palette;
        if (option->state & State_Selected) {
          palette.setColor(QPalette::Active, QPalette::Highlight,
                           palette.color(QPalette::Active, QPalette::Text));
        }
        drawFrame(painter, option->rect, palette);
      }
      break;
    }
    default:
      break;
  }
}

void FocusStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                    QPainter* painter, const QWidget* widget) const {
  QProxyStyle::drawComplexControl(control, option, painter, widget);
  if (control == CC_ComboBox && (option->state & State_HasFocus) &&
      (option->state & State_Enabled)) {
    drawFrame(painter, option->rect, option->palette);
  }
}

}  // namespace norvel
