#include "form_widgets.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>

#include <algorithm>
#include <limits>

#include "focus_style.h"
#include "frame_style.h"
#include "log_view.h"
#include "model_combo_box.h"
#include "qt_text.h"
#include "twips.h"

namespace norvel {
namespace {

QWidget* createTextBox(const Control& control, QWidget* parent) {
  const Control::Inventory& inv = control.inventory();
  if (!inv.multi_line) {
    auto* edit = new QLineEdit(parent);
    // The boxes hold paths and connection strings; long ones scroll, never cut.
    edit->setMaxLength(std::numeric_limits<int>::max());
    if (inv.password) edit->setEchoMode(QLineEdit::Password);
    return edit;
  }
  if (inv.read_only) {
    auto* log = new LogView(parent);
    log->setVerticalScrollBarPolicy(inv.vertical_scroll ? Qt::ScrollBarAlwaysOn
                                                        : Qt::ScrollBarAsNeeded);
    return log;
  }
  auto* edit = new QPlainTextEdit(parent);
  edit->setTabChangesFocus(true);
  edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  edit->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  edit->setVerticalScrollBarPolicy(inv.vertical_scroll ? Qt::ScrollBarAlwaysOn
                                                       : Qt::ScrollBarAlwaysOff);
  return edit;
}

// Narrower space around the tab captions than the style's own.
class TabSpacingStyle : public FocusStyle {
 public:
  TabSpacingStyle(int space, double dpi) : FocusStyle(dpi), space_(space) {}
  int pixelMetric(PixelMetric metric, const QStyleOption* option,
                  const QWidget* widget) const override {
    if (metric == PM_TabBarTabHSpace) return space_;
    return FocusStyle::pixelMetric(metric, option, widget);
  }

 private:
  int space_;
};

// The four captions share the container's width, as the tabs of the original container do;
// where the style's spacing would push the last tab out of sight, the spacing gives way.
void fitTabsToWidth(QTabWidget* tabs, double dpi) {
  QTabBar* bar = tabs->tabBar();
  const QFontMetrics metrics(bar->font());
  int text = 0;
  for (int i = 0; i < tabs->count(); ++i) text += metrics.horizontalAdvance(tabs->tabText(i));
  const int standard = bar->style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, bar);
  // A few pixels per tab for its outline.
  constexpr int kOutline = 4;
  const int per_tab = (tabs->width() - text) / std::max(1, tabs->count()) - kOutline;
  bar->setUsesScrollButtons(false);
  bar->setElideMode(Qt::ElideRight);
  QStyle* style =
      per_tab >= standard ? new FocusStyle(dpi) : new TabSpacingStyle(std::max(2, per_tab), dpi);
  style->setParent(tabs);
  bar->setStyle(style);
}

QWidget* createTabContainer(const Control& control, QWidget* parent) {
  auto* tabs = new QTabWidget(parent);
  for (const std::string& caption : control.inventory().tab_captions) {
    tabs->addTab(new QWidget(tabs), toQString(caption));
  }
  return tabs;
}

QWidget* createListBox(QWidget* parent) {
  auto* list = new QListWidget(parent);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setSortingEnabled(false);
  // Every line has the same height: long lists stay fast.
  list->setUniformItemSizes(true);
  // A line wider than the list scrolls into view whole, never shortened before its arrow.
  list->setTextElideMode(Qt::ElideNone);
  list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  return list;
}

QWidget* createLabel(const Control& control, QWidget* parent) {
  auto* label = new QLabel(toQString(control.text()), parent);
  label->setTextFormat(Qt::PlainText);
  // A pixel of air either side: right-aligned glyphs would otherwise touch the label's edge.
  label->setContentsMargins(1, 0, 1, 0);
  label->setAlignment((control.inventory().right_aligned ? Qt::AlignRight : Qt::AlignLeft) |
                      Qt::AlignVCenter);
  return label;
}

QWidget* createWidget(const Control& control, QWidget* parent) {
  const QString caption = toQString(control.text());
  switch (control.kind()) {
    case ControlKind::frame: {
      auto* frame = new QGroupBox(caption, parent);
      auto* style = new FrameStyle;
      style->setParent(frame);
      frame->setStyle(style);
      return frame;
    }
    case ControlKind::tabContainer:
      return createTabContainer(control, parent);
    case ControlKind::textBox:
      return createTextBox(control, parent);
    case ControlKind::commandButton:
      return new QPushButton(caption, parent);
    case ControlKind::listBox:
      return createListBox(parent);
    case ControlKind::comboBox: {
      auto* combo = new ModelComboBox(parent);
      combo->setEditable(false);
      return combo;
    }
    case ControlKind::checkBox:
      return new QCheckBox(caption, parent);
    case ControlKind::optionButton:
      return new QRadioButton(caption, parent);
    case ControlKind::label:
      return createLabel(control, parent);
    case ControlKind::pictureBox: {
      auto* panel = new QFrame(parent);
      panel->setFrameShape(QFrame::NoFrame);
      return panel;
    }
    case ControlKind::window:
    case ControlKind::fileDialog:
      break;
  }
  return nullptr;
}

}  // namespace

QFont inventoryFont(const FontSpec& inventory_font, double scale) {
  QFont font;
  font.setFamilies({toQString(inventory_font.name), inventory_font.fixed_pitch
                                                        ? QStringLiteral("Noto Sans Mono CJK JP")
                                                        : QStringLiteral("Noto Sans CJK JP")});
  font.setStyleHint(inventory_font.fixed_pitch ? QFont::Monospace : QFont::SansSerif);
  font.setFixedPitch(inventory_font.fixed_pitch);
  font.setPointSizeF(inventory_font.points * scale);
  font.setWeight(QFont::Normal);
  return font;
}

QWidget* createControlWidget(const Control& control, QWidget* parent, double dpi) {
  QWidget* widget = createWidget(control, parent);
  if (widget == nullptr) return nullptr;
  widget->setObjectName(toQString(control.displayName()));
  if (!control.inventory().tool_tip.empty()) {
    widget->setToolTip(toQString(control.inventory().tool_tip));
  }
  // Points are converted at the screen's resolution; a window laid out at another one scales them.
  widget->setFont(inventoryFont(control.inventory().font, dpi / primaryScreenDpi()));
  widget->setGeometry(toQRect(twipsToPixels(control.inventory().layout, dpi)));
  if (auto* tabs = qobject_cast<QTabWidget*>(widget)) {
    fitTabsToWidth(tabs, dpi);
  } else if (kindTakesFocus(control.kind())) {
    auto* style = new FocusStyle(dpi);
    style->setParent(widget);
    widget->setStyle(style);
  }
  return widget;
}

}  // namespace norvel
