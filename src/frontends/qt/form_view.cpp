#include "form_view.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>
#include <QTextCursor>

#include <optional>

#include "caption_fit.h"
#include "form_widgets.h"
#include "frame_style.h"
#include "log_view.h"
#include "model_combo_box.h"
#include "qt_text.h"
#include "twips.h"
#include "ui/access_keys.h"
#include "ui/tab_order.h"

namespace norvel {
namespace {

int selectedRow(const QListWidget* list) {
  const QModelIndexList rows = list->selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.front().row();
}

// The keys the model gives a meaning; Shift only with Enter, as Shift+Enter checks a run.
std::optional<Key> modelKey(const QKeyEvent& event) {
  const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
  switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (modifiers == Qt::NoModifier || modifiers == Qt::ShiftModifier) return Key::enter;
      return std::nullopt;
    case Qt::Key_Delete:
      if (modifiers == Qt::NoModifier) return Key::del;
      return std::nullopt;
    case Qt::Key_Left:
    case Qt::Key_Right:
      if (modifiers == Qt::NoModifier) return event.key() == Qt::Key_Left ? Key::left : Key::right;
      return std::nullopt;
    case Qt::Key_Z:
      if (modifiers == Qt::ControlModifier) return Key::undo;
      return std::nullopt;
    default:
      return std::nullopt;
  }
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

FormView::FormView(Form& form, QWidget* parent, double dpi)
    : QWidget(parent, Qt::Window), form_(form), dpi_(dpi > 0 ? dpi : primaryScreenDpi()) {
  // Keyboard operators see where the focus is from the start, not only after a first Tab.
  setAttribute(Qt::WA_KeyboardFocusChange);
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

QWidget* FormView::focusWidgetOf(const Control& control) const {
  QWidget* widget = widgetOf(control);
  if (auto* tabs = qobject_cast<QTabWidget*>(widget)) return tabs->tabBar();
  return widget;
}

Control* FormView::controlOf(const QWidget* widget) const {
  for (const QWidget* w = widget; w != nullptr && w != this; w = w->parentWidget()) {
    const auto found = focus_targets_.find(w);
    if (found != focus_targets_.end()) return found->second;
  }
  return nullptr;
}

bool FormView::forwarding() const {
  return !closing_down_;
}

void FormView::build() {
  Control& window = form_.window();
  widgets_[&window] = this;
  setObjectName(toQString(window.displayName()));
  setFont(inventoryFont(window.inventory().font, dpi_ / primaryScreenDpi()));
  setFixedSize(twipsToPixels(window.inventory().layout.width, dpi_),
               twipsToPixels(window.inventory().layout.height, dpi_));

  for (const auto& owned : form_.controls()) {
    Control& control = *owned;
    if (&control == &window) continue;
    QWidget* parent = this;
    bool on_tab = false;
    if (Control* container = control.container()) {
      if (container->kind() == ControlKind::tabContainer && tabs_ != nullptr &&
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
    placed_[widget] = {&control, widget->geometry(), widget->font()};
    if (control.kind() == ControlKind::tabContainer) tabs_ = static_cast<QTabWidget*>(widget);
    // A backdrop: the controls drawn over it were created before it.
    if (control.kind() == ControlKind::pictureBox) widget->lower();
    if (on_tab) tab_children_[parent].push_back({widget, widget->geometry()});
    forwardInput(control, widget);
  }

  if (tabs_ != nullptr) {
    // Controls on the tab container are placed relative to the whole container, tabs
    // included; the pages begin below the tab bar, wherever the style puts it.
    for (int i = 0; i < tabs_->count(); ++i) tabs_->widget(i)->installEventFilter(this);
    if (tabs_->count() > 0) tabs_->widget(0)->parentWidget()->installEventFilter(this);
  }
  std::vector<QWidget*> off_tabs;
  for (const auto& [control, widget] : widgets_) {
    if (widget != this && pageOf(widget) == nullptr) off_tabs.push_back(widget);
  }
  fitCaptions(off_tabs);
  setTabOrder();
}

QWidget* FormView::pageOf(const QWidget* widget) const {
  if (tabs_ == nullptr) return nullptr;
  for (const QWidget* w = widget; w != nullptr && w != this; w = w->parentWidget()) {
    if (tabs_->indexOf(w) >= 0) return const_cast<QWidget*>(w);
  }
  return nullptr;
}

void FormView::fitCaptions(const std::vector<QWidget*>& widgets) {
  for (QWidget* widget : widgets) {
    const auto placed = placed_.find(widget);
    if (placed == placed_.end()) continue;
    const Control& control = *placed->second.control;
    QRect geometry = placed->second.geometry;
    QWidget* parent = widget->parentWidget();
    QWidget* page = pageOf(widget);
    CaptionRoom room;
    room.gap = captionGap(dpi_);
    if (page != nullptr) {
      geometry.translate(-page->mapTo(tabs_, QPoint(0, 0)));
      room.bounds = toPixelRect(page->rect().adjusted(1, 1, -1, -1));
    } else if (auto* frame = qobject_cast<QGroupBox*>(parent)) {
      room.bounds = toPixelRect(FrameStyle::insideRect(frame));
    } else {
      room.bounds = toPixelRect(parent->rect());
    }
    const QPoint origin = parent->mapTo(this, QPoint(0, 0));
    for (const Control* other : captionNeighbours(form_, control)) {
      if (widgetOf(*other) == nullptr) continue;
      room.boxes.push_back(windowPixels(*other, dpi_).translated(-origin.x(), -origin.y()));
    }
    fitCaption(widget, control, geometry, placed->second.font, room);
  }
}

void FormView::forwardInput(Control& control, QWidget* widget) {
  if (kindTakesFocus(control.kind())) {
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
  } else if (auto* log = qobject_cast<LogView*>(widget)) {
    // The model's commands for the box, as its context menu's last entries.
    log->setMenuCommands([this, &control] {
      std::vector<LogView::MenuCommand> commands;
      for (const Command command : form_.commandsOf(control)) {
        commands.push_back(
            {toQString(std::string(commandCaption(command))),
             command == Command::undoLastRun ? QKeySequence(Qt::CTRL | Qt::Key_Z) : QKeySequence(),
             [this, &control, command] {
               return forwarding() && form_.commandEnabled(control, command);
             },
             [this, &control, command] {
               if (forwarding()) form_.userChoosesCommand(control, command);
             }});
      }
      return commands;
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
      const bool shift =
          ((press_modifiers_ | QGuiApplication::keyboardModifiers()) & Qt::ShiftModifier) != 0;
      press_modifiers_ = Qt::NoModifier;
      if (forwarding()) form_.userClicks(control, shift ? kShiftMask : 0);
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
  QWidget* previous = nullptr;
  for (const Control* control : tabOrder(form_)) {
    QWidget* widget = widgetOf(*control);
    if (widget == nullptr) continue;
    if (previous != nullptr) QWidget::setTabOrder(previous, widget);
    previous = widget;
  }
}

void FormView::placeTabChildren(QWidget* page) {
  const auto found = tab_children_.find(page);
  if (found == tab_children_.end() || tabs_ == nullptr) return;
  const QPoint origin = page->mapTo(tabs_, QPoint(0, 0));
  const QRect area(origin, page->size());
  const auto last = tab_origins_.find(page);
  if (last != tab_origins_.end() && last->second == area) return;
  tab_origins_[page] = area;
  std::vector<QWidget*> children;
  for (const TabChild& child : found->second) {
    child.widget->setGeometry(child.geometry.translated(-origin));
    children.push_back(child.widget);
  }
  // The boxes are in place; the captions beside them fit around them.
  fitCaptions(children);
}

bool FormView::focusNextPrevChild(bool next) {
  if (!forwarding()) return false;
  const Control* current = controlOf(QApplication::focusWidget());
  if (current == nullptr) current = form_.focus();
  Control* target = nextInTabOrder(form_, current, next, [this](const Control& candidate) {
    const QWidget* widget = focusWidgetOf(candidate);
    return widget != nullptr && widget->isVisible() && widget->isEnabled() &&
           (widget->focusPolicy() & Qt::TabFocus) != 0;
  });
  if (target == nullptr) return false;
  focusWidgetOf(*target)->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
  return true;
}

bool FormView::pressAccessKey(const Control& control) {
  const char32_t key = accessKey(control.text());
  if (key == 0) return false;
  const AccessKeyTarget target = accessKeyTarget(form_, key, form_.focus());
  if (target.control == nullptr) return true;
  QWidget* widget = focusWidgetOf(*target.control);
  if (auto* pressed = qobject_cast<QAbstractButton*>(widget); pressed != nullptr && target.press) {
    // Shown pressed for a moment, then clicked, as Qt's own access keys do.
    pressed->animateClick();
  } else {
    widget->setFocus(Qt::ShortcutFocusReason);
  }
  return true;
}

bool FormView::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::Shortcut: {
      // Qt would cycle shared keys in its own order and never press; the model decides.
      const auto found = focus_targets_.find(watched);
      if (qobject_cast<QAbstractButton*>(watched) != nullptr && forwarding() &&
          found != focus_targets_.end() && pressAccessKey(*found->second)) {
        return true;
      }
      break;
    }
    case QEvent::KeyPress: {
      // The window's own keys (Enter on a button, the arrows on the tab strip, …) are the
      // model's; the rest are the widget's.
      const auto* pressed = static_cast<QKeyEvent*>(event);
      const auto found = focus_targets_.find(watched);
      const std::optional<Key> key = modelKey(*pressed);
      const int shift = (pressed->modifiers() & Qt::ShiftModifier) != 0 ? kShiftMask : 0;
      if (key && found != focus_targets_.end() && forwarding() &&
          form_.userPressesKey(*found->second, *key, shift)) {
        return true;
      }
      break;
    }
    case QEvent::MouseButtonRelease:
      // The button clicks while this release is delivered; the click learns of Shift here,
      // whichever way the event reached the button.
      if (auto* button = qobject_cast<QAbstractButton*>(watched)) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        press_modifiers_ = button->rect().contains(mouse->position().toPoint()) ? mouse->modifiers()
                                                                                : Qt::NoModifier;
      }
      break;
    case QEvent::FocusIn: {
      // Qt hides the focus again after a mouse click; operators who go on by keyboard need it.
      setAttribute(Qt::WA_KeyboardFocusChange);
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

// Esc that no control took (none does during a run) asks the window to stop what it is doing.
void FormView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && forwarding()) {
    form_.userCancels();
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
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
      // A pair the user adds is shown; a list loaded before the window appears stays at its top.
      if (list->isVisible()) list->scrollToItem(list->item(list->count() - 1));
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

void FormView::progressChanged(Control& control) {
  if (auto* log = qobject_cast<LogView*>(widgetOf(control))) {
    log->setProgressLine(toQString(control.progressLine()));
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
      case ControlKind::listBox:
      case ControlKind::comboBox:
        renderItems(control);
        break;
      case ControlKind::checkBox:
      case ControlKind::optionButton:
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
