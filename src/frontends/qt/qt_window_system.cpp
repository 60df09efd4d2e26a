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
