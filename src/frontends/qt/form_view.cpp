#include "form_view.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>
#include <QTextCursor>

#include <algorithm>

#include "form_widgets.h"
#include "log_view.h"
#include "model_combo_box.h"
#include "qt_text.h"
#include "twips.h"

namespace norvel {
namespace {

int selectedRow(const QListWidget* list) {
  const QModelIndexList rows = list->selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.front().row();
}

Qt::CheckState checkState(int value) {
  switch (value) {
    case kChecked:
      return Qt::Checked;
    case kGrayed:
      return Qt::PartiallyChecked;
    default:
      return Qt::Unchecked;
  }
}

}  // namespace

FormView::FormView(Form& form, QWidget* parent)
    : QWidget(parent, Qt::Window), form_(form), dpi_(primaryScreenDpi()) {
  build();
  form_.addObserver(this);
  renderAll();
}

FormView::~FormView() {
  closing_down_ = true;
  form_.removeObserver(this);
  if (override_cursor_) QApplication::restoreOverrideCursor();
}

QWidget* FormView::widgetOf(const Control& control) const {
  const auto found = widgets_.find(&control);
  return found == widgets_.end() ? nullptr : found->second;
}

bool FormView::forwarding() const {
  return !closing_down_;
}

void FormView::build() {
  Control& window = form_.window();
  widgets_[&window] = this;
  setObjectName(toQString(window.displayName()));
  setFont(inventoryFont(window.inventory().font));
  setFixedSize(twipsToPixels(window.inventory().layout.width, dpi_),
               twipsToPixels(window.inventory().layout.height, dpi_));

  for (const auto& owned : form_.controls()) {
    Control& control = *owned;
    if (&control == &window) continue;
    QWidget* parent = this;
    bool on_tab = false;
    if (Control* container = control.container()) {
      if (container->kind() == ControlKind::tab_container && tabs_ != nullptr &&
          control.inventory().tab >= 0 && control.inventory().tab < tabs_->count()) {
        parent = tabs_->widget(control.inventory().tab);
        on_tab = true;
      } else if (QWidget* container_widget = widgetOf(*container)) {
        parent = container_widget;
      }
    }
    QWidget* widget = createControlWidget(control, parent, dpi_);
    if (widget == nullptr) continue;
    widgets_[&control] = widget;
    if (control.kind() == ControlKind::tab_container) tabs_ = static_cast<QTabWidget*>(widget);
    // A backdrop: the controls drawn over it were created before it.
    if (control.kind() == ControlKind::picture_box) widget->lower();
    if (on_tab) tab_children_[parent].push_back({widget, widget->geometry()});
    forwardInput(control, widget);
  }

  if (tabs_ != nullptr) {
    // Controls on the tab container are placed relative to the whole container, tabs
    // included; the pages begin below the tab bar, wherever the style puts it.
    for (int i = 0; i < tabs_->count(); ++i) tabs_->widget(i)->installEventFilter(this);
    if (tabs_->count() > 0) tabs_->widget(0)->parentWidget()->installEventFilter(this);
  }
  setTabOrder();
}

void FormView::forwardInput(Control& control, QWidget* widget) {
  if (KindTakesFocus(control.kind())) {
    QWidget* target = widget;
    if (auto* tabs = qobject_cast<QTabWidget*>(widget)) target = tabs->tabBar();
    focus_targets_[target] = &control;
    target->installEventFilter(this);
  }

  if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    connect(edit, &QLineEdit::textEdited, this, [this, &control, edit](const QString& text) {
      if (!forwarding()) return;
      form_.userTypes(control, toUtf8(text));
      if (toQString(control.text()) != edit->text()) renderText(control);
    });
  } else if (auto* box = qobject_cast<QPlainTextEdit*>(widget)) {
    if (!control.inventory().read_only) {
      connect(box, &QPlainTextEdit::textChanged, this, [this, &control, box] {
        if (!forwarding()) return;
        form_.userTypes(control, toModelLines(box->toPlainText()));
        if (toModelLines(box->toPlainText()) != control.text()) renderText(control);
      });
    }
  } else if (auto* check = qobject_cast<QCheckBox*>(widget)) {
    connect(check, &QCheckBox::clicked, this, [this, &control, check](bool checked) {
      if (!forwarding()) return;
      form_.userChecks(control, checked ? kChecked : kUnchecked);
      if (check->checkState() != checkState(control.value())) valueChanged(control);
    });
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    connect(button, &QAbstractButton::clicked, this, [this, &control] {
      if (forwarding()) form_.userClicks(control);
    });
  } else if (auto* list = qobject_cast<QListWidget*>(widget)) {
    // Selection, not the current row: a list that gains the focus makes its first line current
    // without selecting it.
    connect(list, &QListWidget::itemSelectionChanged, this, [this, &control, list] {
      if (!forwarding()) return;
      form_.userSelects(control, selectedRow(list));
      renderSelection(control);
    });
  } else if (auto* combo = qobject_cast<ModelComboBox*>(widget)) {
    connect(combo, &QComboBox::activated, this, [this, &control](int index) {
      if (!forwarding()) return;
      form_.userSelects(control, index);
      renderSelection(control);
    });
    combo->onPopupHidden([&control] { control.closeDropDown(); });
  } else if (auto* tabs = qobject_cast<QTabWidget*>(widget)) {
    connect(tabs, &QTabWidget::currentChanged, this, [this](int tab) {
      if (!forwarding()) return;
      form_.userSelectsTab(tab);
      if (form_.currentTab() != tab) tabChanged(form_.currentTab());
    });
  }
}

void FormView::setTabOrder() {
  std::vector<const Control*> order;
  for (const auto& owned : form_.controls()) {
    if (KindTakesFocus(owned->kind()) && widgetOf(*owned) != nullptr) order.push_back(owned.get());
  }
  std::stable_sort(order.begin(), order.end(), [](const Control* a, const Control* b) {
    return a->inventory().tab_order < b->inventory().tab_order;
  });
  for (std::size_t i = 1; i < order.size(); ++i) {
    QWidget::setTabOrder(widgetOf(*order[i - 1]), widgetOf(*order[i]));
  }
}

void FormView::placeTabChildren(QWidget* page) {
  const auto found = tab_children_.find(page);
  if (found == tab_children_.end() || tabs_ == nullptr) return;
  const QPoint origin = page->mapTo(tabs_, QPoint(0, 0));
  for (const TabChild& child : found->second) {
    child.widget->setGeometry(child.geometry.translated(-origin));
  }
}

bool FormView::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::FocusIn: {
      const auto found = focus_targets_.find(watched);
      if (found != focus_targets_.end() && forwarding()) form_.userFocuses(*found->second);
      break;
    }
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
      if (tabs_ != nullptr) {
        for (int i = 0; i < tabs_->count(); ++i) placeTabChildren(tabs_->widget(i));
      }
      break;
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}

void FormView::closeEvent(QCloseEvent* event) {
  if (!form_.terminated()) form_.userCloses();
  // The unload handler ends the application; a window that is still running stays open.
  if (form_.terminated()) {
    event->accept();
  } else {
    event->ignore();
  }
}

void FormView::renderText(Control& control) {
  QWidget* widget = widgetOf(control);
  if (widget == nullptr) return;
  const QSignalBlocker blocker(widget);
  if (widget == this) {
    setWindowTitle(toQString(control.text()));
  } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    const QString text = toQString(control.text());
    // Unchanged text keeps the caret where the user is typing.
    if (edit->text() != text) edit->setText(text);
  } else if (auto* log = qobject_cast<LogView*>(widget)) {
    pending_cr_.erase(&control);
    log->clear();
    log->append(toDisplayLines(control.text()));
    if (!control.text().empty() && control.text().back() == '\r') pending_cr_.insert(&control);
  } else if (auto* box = qobject_cast<QPlainTextEdit*>(widget)) {
    if (toModelLines(box->toPlainText()) != control.text()) {
      box->setPlainText(toDisplayLines(control.text()));
    }
  } else if (auto* frame = qobject_cast<QGroupBox*>(widget)) {
    frame->setTitle(toQString(control.text()));
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    button->setText(toQString(control.text()));
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(toQString(control.text()));
  }
}

void FormView::textChanged(Control& control) {
  renderText(control);
}

void FormView::textAppended(Control& control, std::string_view appended) {
  auto* log = qobject_cast<LogView*>(widgetOf(control));
  if (log == nullptr) {
    renderText(control);
    return;
  }
  // Only the new lines go in: a log of tens of thousands of lines is never set again whole.
  if (pending_cr_.erase(&control) > 0 && !appended.empty() && appended.front() == '\n') {
    appended.remove_prefix(1);
  }
  if (!appended.empty() && appended.back() == '\r') pending_cr_.insert(&control);
  log->append(toDisplayLines(appended));
}

void FormView::refreshLogs() {
  for (const auto& [control, widget] : widgets_) {
    if (auto* log = qobject_cast<LogView*>(widget)) log->refresh();
  }
}

void FormView::renderItems(Control& control) {
  QWidget* widget = widgetOf(control);
  const QSignalBlocker blocker(widget);
  QStringList items;
  items.reserve(control.itemCount());
  for (const std::string& item : control.items()) items << toQString(item);
  if (auto* list = qobject_cast<QListWidget*>(widget)) {
    list->clear();
    list->addItems(items);
  } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    combo->clear();
    combo->addItems(items);
  }
  renderSelection(control);
}

void FormView::itemsReset(Control& control) {
  renderItems(control);
}

void FormView::itemAppended(Control& control, const std::string& item) {
  QWidget* widget = widgetOf(control);
  {
    const QSignalBlocker blocker(widget);
    if (auto* list = qobject_cast<QListWidget*>(widget)) {
      list->addItem(toQString(item));
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
      combo->addItem(toQString(item));
    }
  }
  // A combo box makes the first item of an empty list current; the model's selection stays.
  renderSelection(control);
}

void FormView::itemRemoved(Control& control, int index) {
  QWidget* widget = widgetOf(control);
  {
    const QSignalBlocker blocker(widget);
    if (auto* list = qobject_cast<QListWidget*>(widget)) {
      delete list->takeItem(index);
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
      combo->removeItem(index);
    }
  }
  renderSelection(control);
}

void FormView::renderSelection(Control& control) {
  QWidget* widget = widgetOf(control);
  const int index = control.selectedIndex();
  const QSignalBlocker blocker(widget);
  if (auto* list = qobject_cast<QListWidget*>(widget)) {
    if (selectedRow(list) == index && (index < 0 || list->currentRow() == index)) return;
    if (index < 0) {
      list->selectionModel()->clear();
    } else {
      list->setCurrentRow(index);
    }
  } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    if (combo->currentIndex() != index) combo->setCurrentIndex(index);
  }
}

void FormView::selectionChanged(Control& control) {
  renderSelection(control);
}

void FormView::enabledChanged(Control& control) {
  if (QWidget* widget = widgetOf(control)) widget->setEnabled(control.enabled());
}

void FormView::valueChanged(Control& control) {
  auto* check = qobject_cast<QCheckBox*>(widgetOf(control));
  if (check == nullptr) return;
  const QSignalBlocker blocker(check);
  if (control.value() == kGrayed) check->setTristate(true);
  check->setCheckState(checkState(control.value()));
}

void FormView::caretMoved(Control& control) {
  QWidget* widget = widgetOf(control);
  const QSignalBlocker blocker(widget);
  const std::string& text = control.text();
  if (auto* log = qobject_cast<LogView*>(widget)) {
    if (control.selectionStart() >= text.size()) {
      // The common case, the end of a growing log: no need to measure the text.
      log->showEnd();
    } else {
      log->showPosition(displayPosition(text, control.selectionStart()));
    }
  } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    edit->setCursorPosition(displayPosition(text, control.selectionStart()));
  } else if (auto* box = qobject_cast<QPlainTextEdit*>(widget)) {
    QTextCursor cursor = box->textCursor();
    cursor.setPosition(displayPosition(text, control.selectionStart()));
    box->setTextCursor(cursor);
    box->ensureCursorVisible();
  }
}

void FormView::droppedDown(Control& control) {
  auto* combo = qobject_cast<QComboBox*>(widgetOf(control));
  if (combo != nullptr && combo->isVisible()) combo->showPopup();
}

void FormView::focusChanged(Control* focused) {
  if (focused == nullptr) {
    // The window keeps the focus without a focused control, so disabling the control that had
    // it does not pass the focus on to another one behind the model's back.
    if (isAncestorOf(QApplication::focusWidget())) setFocus(Qt::OtherFocusReason);
    return;
  }
  QWidget* widget = widgetOf(*focused);
  if (widget != nullptr && !widget->hasFocus()) widget->setFocus(Qt::OtherFocusReason);
}

void FormView::tabChanged(int tab) {
  if (tabs_ == nullptr) return;
  const QSignalBlocker blocker(tabs_);
  tabs_->setCurrentIndex(tab);
}

void FormView::pointerChanged(int pointer) {
  if (pointer != kPointerDefault && !override_cursor_) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    override_cursor_ = true;
  } else if (pointer == kPointerDefault && override_cursor_) {
    QApplication::restoreOverrideCursor();
    override_cursor_ = false;
  }
}

void FormView::windowChanged() {
  Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint;
  if (form_.sizable()) flags |= Qt::WindowMaximizeButtonHint;
  if (form_.hasCloseCommand()) flags |= Qt::WindowCloseButtonHint;
  if (windowFlags() != flags) {
    // New flags take effect by recreating the native window, which hides it.
    const bool was_visible = isVisible();
    setWindowFlags(flags);
    if (was_visible) show();
  }

  const QScreen* screen = QGuiApplication::primaryScreen();
  const QPoint origin = screen != nullptr ? screen->geometry().topLeft() : QPoint();
  const QPoint position =
      origin + QPoint(twipsToPixels(form_.left(), dpi_), twipsToPixels(form_.top(), dpi_));
  if (pos() != position) move(position);

  if (form_.visible() && !isVisible() && !form_.terminated()) show();
}

void FormView::renderAll() {
  for (const auto& owned : form_.controls()) {
    Control& control = *owned;
    switch (control.kind()) {
      case ControlKind::list_box:
      case ControlKind::combo_box:
        renderItems(control);
        break;
      case ControlKind::check_box:
      case ControlKind::option_button:
        valueChanged(control);
        renderText(control);
        break;
      default:
        renderText(control);
        break;
    }
    if (&control != &form_.window()) enabledChanged(control);
  }
  tabChanged(form_.currentTab());
  pointerChanged(form_.applicationPointer());
  windowChanged();
  focusChanged(form_.focus());
}

}  // namespace norvel
