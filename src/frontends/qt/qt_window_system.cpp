#include "qt_window_system.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

#include "open_dialog_filter.h"
#include "qt_text.h"
#include "twips.h"
#include "ui/window_model.h"

namespace norvel {

void QtWindowSystem::attach(Form& form, QWidget* window) {
  form_ = &form;
  window_ = window;
}

void QtWindowSystem::showMessageBox(const std::string& text, const std::string& caption,
                                    MessageIcon icon) {
  // A parent that is not on screen would hide the box with it.
  QWidget* parent = window_ != nullptr && window_->isVisible() ? window_.data() : nullptr;
  QMessageBox box(icon == MessageIcon::warning ? QMessageBox::Warning : QMessageBox::Information,
                  toQString(caption), QString(), QMessageBox::Ok, parent);
  // Error descriptions may contain "<"; they are never markup.
  box.setTextFormat(Qt::PlainText);
  box.setText(toDisplayLines(text));
  box.setDefaultButton(QMessageBox::Ok);
  box.setEscapeButton(QMessageBox::Ok);
  box.exec();
}

MessageAnswer QtWindowSystem::askQuestion(const std::string& text, const std::string& caption,
                                          MessageButtons buttons) {
  QWidget* parent = window_ != nullptr && window_->isVisible() ? window_.data() : nullptr;
  QMessageBox::StandardButtons shown = QMessageBox::Yes | QMessageBox::No;
  if (buttons == MessageButtons::yesNoCancel) shown |= QMessageBox::Cancel;
  QMessageBox box(QMessageBox::Question, toQString(caption), QString(), shown, parent);
  box.setTextFormat(Qt::PlainText);
  box.setText(toDisplayLines(text));
  box.setDefaultButton(buttons == MessageButtons::yesNoDefaultNo ? QMessageBox::No
                                                                 : QMessageBox::Yes);
  box.setEscapeButton(buttons == MessageButtons::yesNoCancel ? QMessageBox::Cancel
                                                             : QMessageBox::No);
  // The window may be busy with a run; the box is for the user to answer.
  const bool busy = QApplication::overrideCursor() != nullptr;
  if (busy) QApplication::setOverrideCursor(Qt::ArrowCursor);
  const int chosen = box.exec();
  if (busy) QApplication::restoreOverrideCursor();
  switch (chosen) {
    case QMessageBox::Yes:
      return MessageAnswer::yes;
    case QMessageBox::Cancel:
      return MessageAnswer::cancel;
    default:
      return buttons == MessageButtons::yesNoCancel && chosen != QMessageBox::No
                 ? MessageAnswer::cancel
                 : MessageAnswer::no;
  }
}

void QtWindowSystem::showOpenDialog(OpenFileDialog& dialog) {
  QWidget* parent = window_ != nullptr && window_->isVisible() ? window_.data() : nullptr;
  QFileDialog box(parent, QStringLiteral("ファイルを開く"), toQString(dialog.init_dir));
  box.setAcceptMode(QFileDialog::AcceptOpen);
  box.setFileMode(QFileDialog::ExistingFile);
  const QStringList filters = qtNameFilters(dialog.filter, dialog.default_ext);
  box.setNameFilters(filters);
  // The caller's own entry is the one in force, as the common dialog starts with it.
  box.selectNameFilter(filters.front());
  box.setDefaultSuffix(toQString(dialog.default_ext));
  if (!dialog.file_name.empty()) box.selectFile(toQString(dialog.file_name));
  dialog.file_name.clear();
  if (box.exec() != QDialog::Accepted) return;
  const QStringList files = box.selectedFiles();
  if (!files.isEmpty()) dialog.file_name = toUtf8(files.front());
}

void QtWindowSystem::processPendingEvents() {
  QCoreApplication::processEvents();
}

void QtWindowSystem::waitForEvents() {
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void QtWindowSystem::wake() {
  // A posted call is never lost, also when it comes before the wait.
  QMetaObject::invokeMethod(
      &wake_context_, [] {}, Qt::QueuedConnection);
}

void QtWindowSystem::requestDropDown() {
  // Delivered after the handler that queued it has returned, to whichever control has the
  // focus then; the model's drop-down is rendered by the view as the open list.
  QTimer::singleShot(0, &requests_context_, [this] {
    if (form_ == nullptr || form_->terminated()) return;
    if (Control* focused = form_->focus()) focused->dropDown();
  });
}

ScreenSize QtWindowSystem::screenSize() const {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return {};
  const QRect whole = screen->geometry();
  const double dpi = primaryScreenDpi();
  return {pixelsToTwips(whole.width(), dpi), pixelsToTwips(whole.height(), dpi)};
}

void QtWindowSystem::endProcess() {
  ended_ = true;
  if (window_ != nullptr) window_->hide();
  QCoreApplication::quit();
}

}  // namespace norvel
