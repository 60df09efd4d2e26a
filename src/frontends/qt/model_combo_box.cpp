#include "model_combo_box.h"

#include <QAbstractItemView>
#include <QKeyEvent>

namespace norvel {

ModelComboBox::ModelComboBox(QWidget* parent) : QComboBox(parent) {
  view()->installEventFilter(this);
}

void ModelComboBox::hidePopup() {
  QComboBox::hidePopup();
  if (popup_hidden_) popup_hidden_();
}

bool ModelComboBox::eventFilter(QObject* watched, QEvent* event) {
  if (watched == view() && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool arrow = key->key() == Qt::Key_Down || key->key() == Qt::Key_Up;
    if (arrow && !(key->modifiers() & Qt::AltModifier) && count() > 0 &&
        !view()->selectionModel()->hasSelection()) {
      view()->setCurrentIndex(model()->index(0, modelColumn(), rootModelIndex()));
      return true;
    }
  }
  return QComboBox::eventFilter(watched, event);
}

}  // namespace norvel
