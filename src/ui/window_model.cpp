#include "ui/window_model.h"

#include <algorithm>

namespace norvel {

Control::Control(Form& form, Inventory inventory)
    : form_(form), inventory_(std::move(inventory)), text_(inventory_.caption) {
  if (inventory_.kind == ControlKind::checkBox) value_ = kUnchecked;
}

std::string Control::displayName() const {
  if (inventory_.index < 0) return inventory_.name;
  return inventory_.name + "(" + std::to_string(inventory_.index) + ")";
}

void Control::setEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  if (!enabled) {
    dropped_down_ = false;
    form_.controlDisabled(*this);
  }
  form_.notify([&](FormObserver& o) { o.enabledChanged(*this); });
}

void Control::setText(std::string text) {
  if (text_ == text) return;
  text_ = std::move(text);
  selection_start_ = std::min(selection_start_, text_.size());
  form_.notify([&](FormObserver& o) { o.textChanged(*this); });
  form_.raise(*this, EventKind::change);
}

void Control::appendText(std::string_view tail) {
  if (tail.empty()) return;
  text_.append(tail);
  form_.notify([&](FormObserver& o) { o.textAppended(*this, tail); });
  form_.raise(*this, EventKind::change);
}

void Control::setProgressLine(std::string line) {
  if (progress_line_ == line) return;
  progress_line_ = std::move(line);
  form_.notify([&](FormObserver& o) { o.progressChanged(*this); });
}

void Control::setSelectionStart(std::size_t position) {
  selection_start_ = std::min(position, text_.size());
  form_.notify([&](FormObserver& o) { o.caretMoved(*this); });
}

void Control::addItem(std::string item) {
  items_.push_back(std::move(item));
  form_.notify([&](FormObserver& o) { o.itemAppended(*this, items_.back()); });
}

void Control::removeItem(int index) {
  if (index < 0 || index >= itemCount()) return;
  items_.erase(items_.begin() + index);
  // As the standard list controls do: removing the selected line leaves nothing selected.
  if (selected_index_ == index) {
    selected_index_ = -1;
  } else if (selected_index_ > index) {
    --selected_index_;
  }
  form_.notify([&](FormObserver& o) { o.itemRemoved(*this, index); });
}

void Control::clear() {
  items_.clear();
  selected_index_ = -1;
  dropped_down_ = false;
  form_.notify([&](FormObserver& o) { o.itemsReset(*this); });
}

void Control::setSelectedIndex(int index) {
  if (index < -1 || index >= itemCount()) index = -1;
  selected_index_ = index;
  form_.notify([&](FormObserver& o) { o.selectionChanged(*this); });
  form_.raise(*this, EventKind::click);
}

std::string Control::currentText() const {
  if (inventory_.kind == ControlKind::comboBox || inventory_.kind == ControlKind::listBox) {
    return selected_index_ < 0 ? std::string() : items_[selected_index_];
  }
  return text_;
}

void Control::dropDown() {
  if (inventory_.kind != ControlKind::comboBox || !enabled_ || dropped_down_) return;
  dropped_down_ = true;
  form_.notify([&](FormObserver& o) { o.droppedDown(*this); });
}

void Control::closeDropDown() {
  dropped_down_ = false;
}

void Control::setValue(int value) {
  if (value_ == value) return;
  value_ = value;
  form_.notify([&](FormObserver& o) { o.valueChanged(*this); });
  form_.raise(*this, EventKind::click);
}

bool Control::shown() const {
  for (const Control* c = this; c != nullptr; c = c->container_) {
    if (c->inventory_.tab >= 0 && c->inventory_.tab != form_.currentTab()) return false;
  }
  return true;
}

std::string_view commandCaption(Command command) {
  switch (command) {
    case Command::undoLastRun:
      return "直前の置換を元に戻す(&U)";
  }
  return {};
}

bool kindTakesFocus(ControlKind kind) {
  switch (kind) {
    case ControlKind::textBox:
    case ControlKind::commandButton:
    case ControlKind::listBox:
    case ControlKind::comboBox:
    case ControlKind::checkBox:
    case ControlKind::optionButton:
    case ControlKind::tabContainer:
      return true;
    default:
      return false;
  }
}

bool Control::canTakeFocus() const {
  if (!kindTakesFocus(inventory_.kind)) return false;
  if (!form_.visible() || !shown()) return false;
  for (const Control* c = this; c != nullptr; c = c->container_) {
    if (!c->enabled_) return false;
  }
  return true;
}

void Control::setFocus() {
  if (!canTakeFocus()) {
    throw FocusError("Invalid procedure call or argument: " + displayName() +
                     " cannot take the focus");
  }
  form_.focusMoved(this);
}

Control& Form::add(Control::Inventory inventory) {
  controls_.push_back(std::make_unique<Control>(*this, std::move(inventory)));
  return *controls_.back();
}

void Form::linkContainers() {
  for (auto& c : controls_) {
    const auto& inv = c->inventory();
    if (inv.container.empty()) continue;
    c->setContainer(&control(inv.container, inv.container_index));
  }
}

Control& Form::control(std::string_view name, int index) {
  for (auto& c : controls_) {
    if (c->name() == name && c->index() == index) return *c;
  }
  throw std::out_of_range("no control " + std::string(name));
}

void Form::addObserver(FormObserver* observer) {
  observers_.push_back(observer);
}

void Form::removeObserver(FormObserver* observer) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

void Form::setCurrentTab(int tab) {
  if (tab == current_tab_) return;
  const int previous = current_tab_;
  current_tab_ = tab;
  notify([&](FormObserver& o) { o.tabChanged(tab); });
  if (tab_container_ != nullptr) raise(*tab_container_, EventKind::click, previous);
}

void Form::setApplicationPointer(int pointer) {
  if (application_pointer_ == pointer) return;
  application_pointer_ = pointer;
  notify([&](FormObserver& o) { o.pointerChanged(pointer); });
}

void Form::show() {
  visible_ = true;
  notify([&](FormObserver& o) { o.windowChanged(); });
}

void Form::setSizable(bool sizable) {
  sizable_ = sizable;
  close_command_ = sizable;
  notify([&](FormObserver& o) { o.windowChanged(); });
}

void Form::setWindowState(WindowState state) {
  window_state_ = state;
  notify([&](FormObserver& o) { o.windowChanged(); });
}

void Form::move(int left, int top) {
  left_ = left;
  top_ = top;
  notify([&](FormObserver& o) { o.windowChanged(); });
}

void Form::setOuterSize(int width, int height) {
  outer_width_ = width;
  outer_height_ = height;
}

bool Form::acceptsInput(const Control& control) const {
  if (terminated_) return false;
  for (const Control* c = &control; c != nullptr; c = c->container()) {
    if (!c->enabled()) return false;
  }
  return control.shown();
}

void Form::userTypes(Control& control, std::string text) {
  if (!acceptsInput(control) || control.inventory().read_only) return;
  control.setText(std::move(text));
}

void Form::userClicks(Control& control, int shift) {
  if (!acceptsInput(control)) return;
  if (control.canTakeFocus()) focusMoved(&control);
  raise(control, EventKind::click, shift);
}

void Form::userSelects(Control& control, int index) {
  if (!acceptsInput(control)) return;
  control.closeDropDown();
  control.setSelectedIndex(index);
}

void Form::userSelectsTab(int tab) {
  if (terminated_ || tab_container_ == nullptr || !acceptsInput(*tab_container_)) return;
  setCurrentTab(tab);
}

void Form::userFocuses(Control& control) {
  if (terminated_ || !control.canTakeFocus()) return;
  focusMoved(&control);
}

void Form::userChecks(Control& control, int value) {
  if (!acceptsInput(control)) return;
  control.setValue(value);
}

void Form::userCloses() {
  if (terminated_) return;
  raise(window(), EventKind::unload);
}

bool Form::userPressesKey(Control& control, Key key, int shift) {
  if (!acceptsInput(control)) return false;
  if (&control == tab_container_ && (key == Key::left || key == Key::right)) {
    const int tab = current_tab_ + (key == Key::right ? 1 : -1);
    const int tabs = static_cast<int>(control.inventory().tab_captions.size());
    // As a tab strip does: no wrapping round at either end.
    if (tab < 0 || tab >= tabs) return true;
    setCurrentTab(tab);
    // The tab's handler puts the focus into the page, as a click on the tab does; an operator
    // who goes on along the strip needs it where it was.
    if (!terminated_ && control.canTakeFocus()) focusMoved(&control);
    return true;
  }
  if (key == Key::enter && control.kind() == ControlKind::commandButton) {
    userClicks(control, shift);
    return true;
  }
  return !terminated_ && handler_ != nullptr && handler_->handleKey(control, key, shift);
}

std::vector<Command> Form::commandsOf(const Control& control) {
  if (terminated_ || handler_ == nullptr) return {};
  return handler_->commandsOf(control);
}

bool Form::commandEnabled(const Control& control, Command command) {
  return !terminated_ && handler_ != nullptr && acceptsInput(control) &&
         handler_->commandEnabled(control, command);
}

void Form::userChoosesCommand(Control& control, Command command) {
  if (!commandEnabled(control, command)) return;
  handler_->handleCommand(control, command);
}

void Form::userCancels() {
  if (terminated_) return;
  raise(window(), EventKind::cancel);
}

void Form::raise(Control& control, EventKind kind, int argument) {
  if (terminated_ || handler_ == nullptr) return;
  handler_->handleEvent(control, kind, argument);
}

void Form::focusMoved(Control* control) {
  if (focus_ == control) return;
  if (focus_ != nullptr) focus_->closeDropDown();
  focus_ = control;
  notify([&](FormObserver& o) { o.focusChanged(control); });
}

void Form::controlDisabled(Control& control) {
  // A disabled control cannot keep the focus; the window keeps it without a focused control.
  for (Control* c = focus_; c != nullptr; c = c->container()) {
    if (c == &control) {
      focusMoved(nullptr);
      return;
    }
  }
}

}  // namespace norvel
