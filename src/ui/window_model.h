#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace norvel {

enum class ControlKind {
  window,
  frame,
  tabContainer,
  textBox,
  commandButton,
  listBox,
  comboBox,
  checkBox,
  optionButton,
  label,
  pictureBox,
  fileDialog,
};

enum class EventKind {
  change,  // text of a text box changed
  click,   // button pressed, list item chosen, tab changed (argument: previous tab)
  unload,  // the window is being closed from outside
  cancel,  // Esc: the user asks to stop what the window is doing (raised on the window)
};

enum class WindowState { normal, minimized, maximized };

// Keys the window gives a meaning beyond what each kind of control does with them itself. undo is
// Ctrl+Z.
enum class Key { enter, del, left, right, undo };

// What a control's context menu offers beyond what its kind of control offers itself.
enum class Command { undoLastRun };

// The menu entry of a command, with its access key.
std::string_view commandCaption(Command command);

struct TwipsRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

struct FontSpec {
  std::string name;
  double points = 0;
  bool fixed_pitch = false;
};

// The kinds of control that can hold the keyboard focus (labels, frames and the like never do).
bool kindTakesFocus(ControlKind kind);

// A focus change the window system refuses (disabled, hidden, or the window not shown).
class FocusError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr int kPointerDefault = 0;
inline constexpr int kPointerHourglass = 11;
inline constexpr int kUnchecked = 0;
inline constexpr int kChecked = 1;
inline constexpr int kGrayed = 2;
// The click's argument for a command button: the Shift key was held.
inline constexpr int kShiftMask = 1;

class Form;
class Control;

// Receives the events the model raises; frmNorvel's handlers implement it.
class EventHandler {
 public:
  virtual ~EventHandler() = default;
  virtual void handleEvent(Control& control, EventKind kind, int argument) = 0;
  // A key pressed in the control; true when the window used it, so the control must not.
  virtual bool handleKey(Control& /*control*/, Key /*key*/, int /*shift*/) { return false; }
  // The commands of the control's context menu, in menu order.
  virtual std::vector<Command> commandsOf(const Control& /*control*/) { return {}; }
  virtual bool commandEnabled(const Control& /*control*/, Command /*command*/) { return false; }
  virtual void handleCommand(Control& /*control*/, Command /*command*/) {}
};

// A view of the model (the Qt window). Every state change is reported after it happened.
class FormObserver {
 public:
  virtual ~FormObserver() = default;
  virtual void textChanged(Control&) {}
  virtual void textAppended(Control&, std::string_view /*appended*/) {}
  virtual void itemsReset(Control&) {}
  virtual void itemAppended(Control&, const std::string& /*item*/) {}
  virtual void itemRemoved(Control&, int /*index*/) {}
  virtual void selectionChanged(Control&) {}
  virtual void enabledChanged(Control&) {}
  virtual void valueChanged(Control&) {}
  virtual void caretMoved(Control&) {}
  virtual void progressChanged(Control&) {}
  virtual void droppedDown(Control&) {}
  virtual void focusChanged(Control* /*focused*/) {}
  virtual void tabChanged(int /*tab*/) {}
  virtual void pointerChanged(int /*pointer*/) {}
  virtual void windowChanged() {}  // visibility, position, style
};

// One control of the window: its inventory (fixed at creation) and its state. State changes go
// through the methods so that the owning form raises events and tells its views.
class Control {
 public:
  struct Inventory {
    std::string name;
    int index = -1;  // for control arrays (Label1)
    ControlKind kind = ControlKind::label;
    std::string container;  // name of the containing control; empty for the window itself
    int container_index = -1;
    int tab = -1;  // tab of sst対象 the control sits on, -1 when not on a tab
    int tab_order = -1;
    TwipsRect layout;
    std::string caption;  // initial text or caption
    FontSpec font;
    bool multi_line = false;
    bool vertical_scroll = false;
    bool read_only = false;
    bool right_aligned = false;
    bool password = false;  // the text is shown masked; the model keeps it as typed
    std::string tool_tip;
    std::vector<std::string> tab_captions;  // a tab container's tabs, by index
  };

  Control(Form& form, Inventory inventory);
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const Inventory& inventory() const { return inventory_; }
  const std::string& name() const { return inventory_.name; }
  int index() const { return inventory_.index; }
  ControlKind kind() const { return inventory_.kind; }
  Control* container() const { return container_; }
  Form& form() const { return form_; }
  // "name" or "name(index)".
  std::string displayName() const;

  bool enabled() const { return enabled_; }
  void setEnabled(bool enabled);

  const std::string& tag() const { return tag_; }
  void setTag(std::string tag) { tag_ = std::move(tag); }

  // Text box text, or caption. Writing a different text raises the change event.
  const std::string& text() const { return text_; }
  void setText(std::string text);
  // Same as setText(text() + tail), told to views as an append so they stay fast.
  void appendText(std::string_view tail);

  // A line shown after a text box's text without being part of it: the step a long action is at.
  // Empty for none.
  const std::string& progressLine() const { return progress_line_; }
  void setProgressLine(std::string line);

  // Caret of a text box (selection start, nothing selected).
  std::size_t selectionStart() const { return selection_start_; }
  void setSelectionStart(std::size_t position);

  // List box and drop-down list items; the current text is the selected item's.
  const std::vector<std::string>& items() const { return items_; }
  int itemCount() const { return static_cast<int>(items_.size()); }
  void addItem(std::string item);  // leaves the selection as it is
  void removeItem(int index);
  void clear();
  int selectedIndex() const { return selected_index_; }
  // Raises the click event, also when set by the program.
  void setSelectedIndex(int index);
  std::string currentText() const;

  bool droppedDown() const { return dropped_down_; }
  void dropDown();
  void closeDropDown();

  // Check box value: 0 unticked, 1 ticked, 2 greyed.
  int value() const { return value_; }
  void setValue(int value);

  // True when the control is on screen: its tab (if any) is current.
  bool shown() const;
  bool canTakeFocus() const;
  // Throws FocusError when the control cannot take the focus.
  void setFocus();

  void setContainer(Control* container) { container_ = container; }

 private:
  Form& form_;
  Inventory inventory_;
  Control* container_ = nullptr;
  bool enabled_ = true;
  std::string tag_;
  std::string text_;
  std::string progress_line_;
  std::size_t selection_start_ = 0;
  std::vector<std::string> items_;
  int selected_index_ = -1;
  bool dropped_down_ = false;
  int value_ = kUnchecked;
};

// The window: controls in inventory order, the focus, the current tab of the tab container, the
// application pointer, and the window's own state. Events are raised into one handler; after
// terminate() nothing is delivered any more.
class Form {
 public:
  Form() = default;
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  Control& add(Control::Inventory inventory);
  // Resolves containers once every control has been added.
  void linkContainers();

  Control& window() { return *controls_.front(); }
  Control& control(std::string_view name, int index = -1);
  const std::vector<std::unique_ptr<Control>>& controls() const { return controls_; }

  void setEventHandler(EventHandler* handler) { handler_ = handler; }
  void addObserver(FormObserver* observer);
  void removeObserver(FormObserver* observer);

  // The tab container's current tab. Changing it raises the container's click event with the
  // previous tab.
  int currentTab() const { return current_tab_; }
  void setCurrentTab(int tab);
  void setTabContainer(Control* container) { tab_container_ = container; }
  Control* tabContainer() const { return tab_container_; }

  Control* focus() const { return focus_; }
  int applicationPointer() const { return application_pointer_; }
  void setApplicationPointer(int pointer);

  bool visible() const { return visible_; }
  void show();
  bool sizable() const { return sizable_; }
  bool hasCloseCommand() const { return close_command_; }
  void setSizable(bool sizable);
  WindowState windowState() const { return window_state_; }
  void setWindowState(WindowState state);
  int left() const { return left_; }
  int top() const { return top_; }
  void move(int left, int top);
  // Outer size in twips, decorations included; set by the window system that draws it.
  int outerWidth() const { return outer_width_; }
  int outerHeight() const { return outer_height_; }
  void setOuterSize(int width, int height);

  bool terminated() const { return terminated_; }
  void terminate() { terminated_ = true; }

  // What the user does, as a front end forwards it. Ignored for disabled or hidden controls and
  // after termination.
  void userTypes(Control& control, std::string text);
  void userClicks(Control& control, int shift = 0);
  void userSelects(Control& control, int index);
  void userSelectsTab(int tab);
  void userFocuses(Control& control);
  void userChecks(Control& control, int value);
  void userCloses();
  // A key pressed while the control has the focus; true when the window used it. Enter presses
  // a command button (Shift as with the mouse); Left and Right on the tab strip switch tabs and
  // the focus stays on the strip; other keys go to the handler.
  bool userPressesKey(Control& control, Key key, int shift = 0);
  // Esc: raises the window's cancel event, also while its controls are disabled.
  void userCancels();
  // A command of the control's context menu: what it offers, whether it can be chosen now, and
  // the choice (ignored when it cannot be chosen).
  std::vector<Command> commandsOf(const Control& control);
  bool commandEnabled(const Control& control, Command command);
  void userChoosesCommand(Control& control, Command command);

  // Used by the controls.
  void raise(Control& control, EventKind kind, int argument = 0);
  template <typename F>
  void notify(F&& f) {
    for (FormObserver* observer : observers_) f(*observer);
  }
  void focusMoved(Control* control);
  void controlDisabled(Control& control);

 private:
  bool acceptsInput(const Control& control) const;

  std::vector<std::unique_ptr<Control>> controls_;
  std::vector<FormObserver*> observers_;
  EventHandler* handler_ = nullptr;
  Control* tab_container_ = nullptr;
  Control* focus_ = nullptr;
  int current_tab_ = 0;
  int application_pointer_ = kPointerDefault;
  bool visible_ = false;
  bool sizable_ = true;
  bool close_command_ = true;
  WindowState window_state_ = WindowState::normal;
  int left_ = 0;
  int top_ = 0;
  int outer_width_ = 0;
  int outer_height_ = 0;
  bool terminated_ = false;
};

}  // namespace norvel
