#pragma once

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <ostream>
#include <stdexcept>

#include "frontends/qt/form_view.h"
#include "frontends/qt/qt_text.h"
#include "frontends/qt/qt_window_system.h"
#include "support/window_harness.h"

// Failure messages show Qt's strings as text.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}

namespace norvel::testing {

// The real window, offscreen, over the real files, code page and databases, driven through its
// widgets as a user drives it.
struct QtWindowHarness {
  QtWindowHarness() {
    process.executable = dir.file("norvel");
    process.current_directory = dir.path().string();
  }

  std::string pairFile() const { return dir.file("norvel.csv"); }

  bool start() {
    window = std::make_unique<FrmNorvel>(platform);
    view = std::make_unique<FormView>(window->form(), nullptr, dpi);
    windows.attach(window->form(), view.get());
    const bool started = Main(*window);
    if (started) activate();
    return started;
  }

  FrmNorvel& w() { return *window; }
  Form& form() { return window->form(); }
  FormView& v() { return *view; }
  template <typename W>
  W* widget(const Control& control) {
    return qobject_cast<W*>(view->widgetOf(control));
  }
  bool shownEnabled(const Control& control) { return view->widgetOf(control)->isEnabled(); }

  // Gives the window back the activation a window manager gives it after a dialog closed.
  void activate() {
    view->activateWindow();
    QApplication::setActiveWindow(view.get());
    if (!QTest::qWaitForWindowActive(view.get())) throw std::runtime_error("window not active");
    QApplication::processEvents();
  }

  void clickAt(QWidget* target, QPoint point = {}) {
    QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, point);
    QApplication::processEvents();
  }
  void click(const Control& button) { clickAt(view->widgetOf(button)); }
  void clickTab(int tab) {
    QTabBar* bar = widget<QTabWidget>(w().sst対象)->tabBar();
    clickAt(bar, bar->tabRect(tab).center());
  }
  void typeInto(const Control& box, const QString& text) {
    QWidget* target = view->widgetOf(box);
    auto* area = qobject_cast<QAbstractScrollArea*>(target);
    clickAt(area != nullptr ? area->viewport() : target);
    QTest::keyClicks(target, text);
    QApplication::processEvents();
  }
  void clickListRow(const Control& list, int row) {
    auto* box = widget<QListWidget>(list);
    clickAt(box->viewport(), box->visualItemRect(box->item(row)).center());
  }
  // Picks the line from the open drop-down list of the combo box with the mouse.
  void pickFromOpenList(const Control& combo, const QString& item) {
    auto* box = widget<QComboBox>(combo);
    QAbstractItemView* list = box->view();
    if (box->findText(item) < 0 || !list->isVisible())
      throw std::runtime_error("cannot pick " + toUtf8(item) + " from " + combo.name());
    const QModelIndex index = list->model()->index(box->findText(item), box->modelColumn());
    clickAt(list->viewport(), list->visualRect(index).center());
  }
  // Types the file's path and presses 接続 with the mouse.
  void connectTo(const std::string& file) {
    typeInto(w().txtMDBパス, toQString(file));
    click(w().cmd接続);
    QApplication::processEvents();
  }
  // Connects, then picks the table and the field from the lists the connect drops down.
  void connectAndPick(const std::string& file, const QString& table, const QString& field) {
    connectTo(file);
    pickFromOpenList(w().cobテーブル名, table);
    QApplication::processEvents();
    pickFromOpenList(w().cobフィールド名, field);
  }
  // Every place where a widget does not show what the model holds: enabled state, text, items,
  // selection, focus. Empty when the view agrees.
  std::vector<std::string> differences() {
    std::vector<std::string> found;
    auto lines = [](int count, auto text) {
      std::vector<std::string> items;
      for (int i = 0; i < count; ++i) items.push_back(toUtf8(text(i)));
      return items;
    };
    for (const auto& owned : form().controls()) {
      const Control& c = *owned;
      QWidget* shown = view->widgetOf(c);
      if (shown == nullptr || shown == view.get()) continue;
      if (shown->isEnabled() != c.enabled()) found.push_back(c.displayName() + ": enabled");
      if (auto* edit = qobject_cast<QLineEdit*>(shown); edit && toUtf8(edit->text()) != c.text())
        found.push_back(c.displayName() + ": text " + toUtf8(edit->text()));
      if (auto* list = qobject_cast<QListWidget*>(shown)) {
        const QModelIndexList rows = list->selectionModel()->selectedRows();
        if (lines(list->count(), [&](int i) { return list->item(i)->text(); }) != c.items() ||
            (rows.isEmpty() ? -1 : rows.front().row()) != c.selectedIndex())
          found.push_back(c.displayName() + ": lines or selection");
      }
      if (auto* combo = qobject_cast<QComboBox*>(shown)) {
        if (lines(combo->count(), [&](int i) { return combo->itemText(i); }) != c.items() ||
            combo->currentIndex() != c.selectedIndex())
          found.push_back(c.displayName() + ": items or selection");
      }
    }
    if (view->isActiveWindow() && form().focus() != nullptr) {
      QWidget* focused = view->widgetOf(*form().focus());
      if (auto* tabs = qobject_cast<QTabWidget*>(focused)) focused = tabs->tabBar();
      if (QApplication::focusWidget() != focused)
        found.push_back(form().focus()->displayName() + ": focus elsewhere");
    }
    return found;
  }

  // The resolution the window is laid out at; 0 for the screen's.
  double dpi = 0;
  TempDir dir;
  QtWindowSystem windows;
  RoutingDatabaseLayer databases;
  PosixFileSystem files;
  IconvCodePage932 code_page;
  TestProcess process;
  Platform platform{windows, databases, files, code_page, process};
  std::unique_ptr<FrmNorvel> window;
  std::unique_ptr<FormView> view;
};

// What a message box showed when it was answered.
struct SeenMessage {
  QString title;
  QString text;
  QMessageBox::Icon icon;
  bool wait_cursor;
  bool modal;
  QMessageBox::StandardButton default_button = QMessageBox::NoButton;
};

// Answers dialogs as they open (a modal dialog's own event loop runs the timer): message boxes
// with OK, question boxes with the next of question_answers (No when none is left), file dialogs
// with file_answer, or cancel when it is empty.
struct DialogAnswerer {
  DialogAnswerer() {
    QObject::connect(&timer, &QTimer::timeout, [this] { answer(); });
    timer.start(5);
  }

  void answer() {
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (!top->isVisible()) continue;
      if (auto* box = qobject_cast<QMessageBox*>(top)) {
        const QCursor* cursor = QApplication::overrideCursor();
        messages.push_back({box->windowTitle(), box->text(), box->icon(),
                            cursor != nullptr && cursor->shape() == Qt::WaitCursor, box->isModal(),
                            box->standardButton(box->defaultButton())});
        QAbstractButton* button = box->button(QMessageBox::Ok);
        if (button == nullptr) {
          QMessageBox::StandardButton answer = QMessageBox::No;
          if (!question_answers.empty()) {
            answer = question_answers.front();
            question_answers.erase(question_answers.begin());
          }
          button = box->button(answer);
        }
        QTest::mouseClick(button, Qt::LeftButton);
        return;
      }
      if (auto* dialog = qobject_cast<QFileDialog*>(top)) {
        file_dialogs.push_back(dialog->nameFilters() << dialog->directory().absolutePath());
        selected_filters.push_back(dialog->selectedNameFilter());
        if (file_answer.isEmpty()) return dialog->reject();
        dialog->selectFile(file_answer);
        return static_cast<QDialog*>(dialog)->accept();
      }
    }
  }

  QTimer timer;
  QString file_answer;
  std::vector<QMessageBox::StandardButton> question_answers;
  std::vector<SeenMessage> messages;
  // Name filters of each file dialog shown, followed by its directory; the filter in force.
  std::vector<QStringList> file_dialogs;
  std::vector<QString> selected_filters;
};

}  // namespace norvel::testing
