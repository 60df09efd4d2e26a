#pragma once

#include <QFont>
#include <QRect>
#include <QWidget>

#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "ui/window_model.h"

class QTabWidget;

namespace norvel {

// The real window: renders the window model and forwards what the user does into it. It holds
// no state of its own that the model has; every widget shows the model's value. The keyboard
// works as in the original window: Tab and Shift+Tab walk the inventory's tab order over the
// whole window and an access key shared by several controls moves the focus from one to the
// next (ui/tab_order.h, ui/access_keys.h); Enter on a command button and the window's other
// keys are the model's (Form::userPressesKey).
class FormView : public QWidget, public FormObserver {
  Q_OBJECT

 public:
  // Laid out at dpi, the screen's logical resolution unless given (0).
  explicit FormView(Form& form, QWidget* parent = nullptr, double dpi = 0);
  ~FormView() override;
  FormView(const FormView&) = delete;
  FormView& operator=(const FormView&) = delete;

  Form& form() { return form_; }
  // The widget that shows the control; null for the dialog component.
  QWidget* widgetOf(const Control& control) const;
  // The widget that takes the control's keyboard focus: the tab strip for the tab container.
  QWidget* focusWidgetOf(const Control& control) const;
  // The control whose focus the widget (or a widget inside it) holds; null for none.
  Control* controlOf(const QWidget* widget) const;
  // Logical dots per inch the twips were converted at.
  double dpi() const { return dpi_; }

  // The status box shows appended lines on screen at its next refresh (LogView); this brings
  // it up to date now.
  void refreshLogs();

  void textChanged(Control& control) override;
  void textAppended(Control& control, std::string_view appended) override;
  void itemsReset(Control& control) override;
  void itemAppended(Control& control, const std::string& item) override;
  void itemRemoved(Control& control, int index) override;
  void selectionChanged(Control& control) override;
  void enabledChanged(Control& control) override;
  void valueChanged(Control& control) override;
  void caretMoved(Control& control) override;
  void progressChanged(Control& control) override;
  void droppedDown(Control& control) override;
  void focusChanged(Control* focused) override;
  void tabChanged(int tab) override;
  void pointerChanged(int pointer) override;
  void windowChanged() override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool focusNextPrevChild(bool next) override;

 private:
  struct TabChild {
    QWidget* widget;
    QRect geometry;  // relative to the tab container, as the inventory gives it
  };

  void build();
  void forwardInput(Control& control, QWidget* widget);
  void setTabOrder();
  void placeTabChildren(QWidget* page);
  void fitCaptions(const std::vector<QWidget*>& widgets);
  QWidget* pageOf(const QWidget* widget) const;
  bool pressAccessKey(const Control& control);
  void renderText(Control& control);
  void renderItems(Control& control);
  void renderSelection(Control& control);
  void renderAll();
  bool forwarding() const;

  Form& form_;
  double dpi_;
  // Held by a button's mouse release until its click reaches the model.
  Qt::KeyboardModifiers press_modifiers_ = Qt::NoModifier;
  QTabWidget* tabs_ = nullptr;
  std::unordered_map<const Control*, QWidget*> widgets_;
  // Widgets whose focus events are the control's (the tab container's tab bar included).
  std::unordered_map<const QObject*, Control*> focus_targets_;
  std::unordered_map<const QWidget*, std::vector<TabChild>> tab_children_;
  // Where each page was (relative to the tab container) when its children were last placed,
  // so that a page shown again is not laid out again.
  std::unordered_map<const QWidget*, QRect> tab_origins_;
  // The inventory's geometry (relative to the parent; for controls on the tab container,
  // relative to the container) and font, which caption fitting starts from.
  struct Placed {
    const Control* control;
    QRect geometry;
    QFont font;
  };
  std::unordered_map<const QWidget*, Placed> placed_;
  // Status boxes whose last append ended in CR: a following LF completes that line end.
  std::unordered_set<const Control*> pending_cr_;

  bool override_cursor_ = false;
  bool closing_down_ = false;
};

}  // namespace norvel
