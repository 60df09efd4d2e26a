#include "log_view.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QSaveFile>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QTextLayout>

#include <algorithm>
#include <limits>

#include "line_breaking.h"

namespace norvel {
namespace {

constexpr int kMargin = 4;

}  // namespace

LogView::LogView(QWidget* parent) : QAbstractScrollArea(parent), lines_(1), rows_(1, 0) {
  setFocusPolicy(Qt::StrongFocus);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
  viewport()->setCursor(Qt::IBeamCursor);
  verticalScrollBar()->setSingleStep(1);
  refresh_timer_.setSingleShot(true);
  connect(&refresh_timer_, &QTimer::timeout, this, [this] { refresh(); });
}

void LogView::append(QStringView text) {
  if (text.isEmpty()) return;
  all_selected_ = false;
  qsizetype start = 0;
  for (;;) {
    const qsizetype end = text.indexOf(QLatin1Char('\n'), start);
    lines_.back().append(text.mid(start, end < 0 ? -1 : end - start));
    rows_.back() = 0;
    if (end < 0) break;
    lines_.emplace_back();
    rows_.push_back(0);
    start = end + 1;
  }
  scheduleRefresh();
}

void LogView::clear() {
  lines_.assign(1, QString());
  rows_.assign(1, 0);
  all_selected_ = false;
  end_requested_ = false;
  line_requested_ = -1;
  refresh();
}

void LogView::setProgressLine(const QString& line) {
  if (progress_ == line) return;
  // A box that shows its end goes on showing it, the progress line included.
  if (showsLastLine()) {
    end_requested_ = true;
    line_requested_ = -1;
  }
  progress_ = line;
  scheduleRefresh();
}

int LogView::shownLineCount() const {
  const int count = lineCount();
  return !progress_.isEmpty() && !lines_.back().isEmpty() ? count + 1 : count;
}

bool LogView::isProgressLine(int line) const {
  return !progress_.isEmpty() && line == shownLineCount() - 1 &&
         (line == lineCount() || lines_.back().isEmpty());
}

const QString& LogView::shownLine(int line) const {
  return isProgressLine(line) ? progress_ : lines_[static_cast<std::size_t>(line)];
}

void LogView::selectAll() {
  all_selected_ = true;
  viewport()->update();
}

void LogView::copy() {
  QApplication::clipboard()->setText(text());
}

void LogView::saveToFile() {
  QFileDialog dialog(this, QStringLiteral("状況をファイルに保存"), QDir::homePath());
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters(
      {QStringLiteral("テキスト ファイル (*.txt)"), QStringLiteral("すべてのファイル (*)")});
  dialog.setDefaultSuffix(QStringLiteral("txt"));
  dialog.selectFile(QStringLiteral("norvel-状況-") +
                    QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")) +
                    QStringLiteral(".txt"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  const QString path = dialog.selectedFiles().front();
  // Written beside and renamed over: a failure keeps a file that was there.
  QSaveFile file(path);
  const QByteArray bytes = text().toUtf8();
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
    QMessageBox box(QMessageBox::Warning, window()->windowTitle(),
                    QStringLiteral("状況を保存できませんでした。\n") +
                        QDir::toNativeSeparators(path) + QStringLiteral("\n") + file.errorString(),
                    QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
  }
}

std::unique_ptr<QMenu> LogView::createContextMenu() {
  auto menu = std::make_unique<QMenu>(this);
  QAction* all = menu->addAction(QStringLiteral("すべて選択(&A)"), this, [this] { selectAll(); });
  all->setShortcut(QKeySequence::SelectAll);
  QAction* copy_action = menu->addAction(QStringLiteral("コピー(&C)"), this, [this] { copy(); });
  copy_action->setShortcut(QKeySequence::Copy);
  menu->addSeparator();
  menu->addAction(QStringLiteral("ファイルに保存(&S)..."), this, [this] { saveToFile(); });
  const bool empty = text().isEmpty();
  for (QAction* action : menu->actions()) {
    if (!action->isSeparator()) action->setEnabled(!empty);
  }
  if (menu_commands_) {
    const std::vector<MenuCommand> commands = menu_commands_();
    if (!commands.empty()) menu->addSeparator();
    for (const MenuCommand& command : commands) {
      // After the menu has closed: the command may run a whole nested event loop.
      QAction* action = menu->addAction(command.text, this, [this, run = command.run] {
        QMetaObject::invokeMethod(this, run, Qt::QueuedConnection);
      });
      action->setShortcut(command.key);
      action->setEnabled(command.enabled());
    }
  }
  return menu;
}

void LogView::contextMenuEvent(QContextMenuEvent* event) {
  const std::unique_ptr<QMenu> menu = createContextMenu();
  // From the keyboard the menu opens at the box's top left rather than where the mouse is.
  const QPoint at = event->reason() == QContextMenuEvent::Mouse
                        ? event->globalPos()
                        : viewport()->mapToGlobal(QPoint(kMargin, kMargin));
  menu->exec(at);
  event->accept();
}

void LogView::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && all_selected_) {
    all_selected_ = false;
    viewport()->update();
  }
  QAbstractScrollArea::mousePressEvent(event);
}

QString LogView::text() const {
  qsizetype length = 0;
  for (const QString& line : lines_) length += line.size() + 1;
  QString all;
  all.reserve(length);
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (i > 0) all += QLatin1Char('\n');
    all += lines_[i];
  }
  return all;
}

void LogView::showPosition(qsizetype position) {
  int line = 0;
  for (; line + 1 < lineCount(); ++line) {
    const qsizetype length = lines_[static_cast<std::size_t>(line)].size();
    if (position <= length) break;
    position -= length + 1;
  }
  end_requested_ = false;
  line_requested_ = line;
  scheduleRefresh();
}

void LogView::showEnd() {
  end_requested_ = true;
  line_requested_ = -1;
  scheduleRefresh();
}

void LogView::scheduleRefresh() {
  if (refresh_timer_.isActive()) return;
  const qint64 waited = since_refresh_.isValid() ? since_refresh_.elapsed() : kRefreshMs;
  // The first change after a quiet moment shows at once; changes that follow it closely wait.
  if (waited >= kRefreshMs) {
    refresh();
  } else {
    refresh_timer_.start(static_cast<int>(kRefreshMs - waited));
  }
}

void LogView::refresh() {
  refresh_timer_.stop();
  since_refresh_.start();
  QScrollBar* bar = verticalScrollBar();
  bar->setRange(0, lastTop());
  bar->setPageStep(std::max(1, visibleRows()));
  if (end_requested_) {
    bar->setValue(bar->maximum());
  } else if (line_requested_ >= 0) {
    scrollToShow(line_requested_);
  }
  end_requested_ = false;
  line_requested_ = -1;
  viewport()->update();
}

int LogView::topLine() const {
  return verticalScrollBar()->value();
}

bool LogView::showsLastLine() const {
  int used = 0;
  const int room = viewport()->height() - 2 * kMargin;
  for (int line = topLine(); line < shownLineCount(); ++line) {
    used += rowsOf(line) * rowHeight();
    if (used > room) return false;
  }
  return true;
}

void LogView::scrollToShow(int line) {
  QScrollBar* bar = verticalScrollBar();
  if (line < bar->value()) {
    bar->setValue(line);
    return;
  }
  int used = 0;
  const int room = viewport()->height() - 2 * kMargin;
  for (int shown = bar->value(); shown <= line && used <= room; ++shown) {
    used += rowsOf(shown) * rowHeight();
  }
  if (used > room) bar->setValue(std::min(line, bar->maximum()));
}

int LogView::textWidth() const {
  return std::max(1, viewport()->width() - 2 * kMargin);
}

int LogView::rowHeight() const {
  return std::max(1, fontMetrics().lineSpacing());
}

int LogView::visibleRows() const {
  return std::max(1, (viewport()->height() - 2 * kMargin) / rowHeight());
}

void LogView::prepareLayout(QTextLayout& layout, int line) const {
  layout.setText(shownLine(line));
  layout.setFont(font());
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  layout.setTextOption(option);
  layoutRows(layout, textWidth());
}

int LogView::rowsOf(int line) const {
  if (isProgressLine(line)) {
    QTextLayout layout;
    prepareLayout(layout, line);
    return std::max(1, layout.lineCount());
  }
  std::uint16_t& rows = rows_[static_cast<std::size_t>(line)];
  if (rows == 0) {
    const QString& text = lines_[static_cast<std::size_t>(line)];
    if (text.isEmpty()) {
      rows = 1;
    } else {
      QTextLayout layout;
      prepareLayout(layout, line);
      rows = static_cast<std::uint16_t>(
          std::clamp(layout.lineCount(), 1, int{std::numeric_limits<std::uint16_t>::max()}));
    }
  }
  return rows;
}

int LogView::lastTop() const {
  const int room = viewport()->height() - 2 * kMargin;
  int top = shownLineCount() - 1;
  int used = rowsOf(top) * rowHeight();
  while (top > 0) {
    const int above = rowsOf(top - 1) * rowHeight();
    if (used + above > room) break;
    used += above;
    --top;
  }
  return top;
}

void LogView::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(viewport());
  const QPalette::ColorGroup group = isEnabled() ? QPalette::Active : QPalette::Disabled;
  const QColor text_colour = palette().color(group, QPalette::Text);
  painter.setFont(font());
  const int bottom = viewport()->height();
  const int height = rowHeight();
  int y = kMargin;
  for (int line = topLine(); line < shownLineCount() && y < bottom; ++line) {
    QTextLayout layout;
    prepareLayout(layout, line);
    for (int row = 0; row < layout.lineCount(); ++row) {
      layout.lineAt(row).setPosition(QPointF(0, row * height));
    }
    const bool progress = isProgressLine(line);
    painter.setPen(progress ? palette().color(group, QPalette::PlaceholderText) : text_colour);
    QList<QTextLayout::FormatRange> selection;
    if (all_selected_ && !progress) {
      QTextLayout::FormatRange all;
      all.start = 0;
      all.length = static_cast<int>(layout.text().size());
      all.format.setBackground(palette().brush(group, QPalette::Highlight));
      all.format.setForeground(palette().brush(group, QPalette::HighlightedText));
      selection.append(all);
    }
    layout.draw(&painter, QPointF(kMargin, y), selection);
    y += std::max(1, layout.lineCount()) * height;
  }
  if (hasFocus()) {
    QStyleOptionFocusRect focus;
    focus.initFrom(viewport());
    focus.rect = viewport()->rect().adjusted(1, 1, -1, -1);
    focus.backgroundColor = palette().color(QPalette::Base);
    // Shown however the focus came here, not only after a Tab key.
    focus.state |= QStyle::State_HasFocus | QStyle::State_KeyboardFocusChange;
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
  }
}

void LogView::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  viewport()->update();
}

void LogView::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  viewport()->update();
}

void LogView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  std::fill(rows_.begin(), rows_.end(), std::uint16_t{0});
  refresh();
}

void LogView::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    std::fill(rows_.begin(), rows_.end(), std::uint16_t{0});
    refresh();
  }
}

void LogView::keyPressEvent(QKeyEvent* event) {
  QScrollBar* bar = verticalScrollBar();
  if (event->matches(QKeySequence::Copy) || event->matches(QKeySequence::SelectAll)) {
    // Without a selection of its own, the box copies the whole log.
    if (event->matches(QKeySequence::SelectAll)) selectAll();
    copy();
  } else if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
    QContextMenuEvent menu(QContextMenuEvent::Keyboard, QPoint(kMargin, kMargin),
                           viewport()->mapToGlobal(QPoint(kMargin, kMargin)));
    contextMenuEvent(&menu);
  } else if (event->matches(QKeySequence::MoveToStartOfDocument)) {
    bar->setValue(0);
  } else if (event->matches(QKeySequence::MoveToEndOfDocument)) {
    bar->setValue(bar->maximum());
  } else if (event->key() == Qt::Key_Up) {
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
  } else if (event->key() == Qt::Key_Down) {
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  } else if (event->key() == Qt::Key_PageUp) {
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
  } else if (event->key() == Qt::Key_PageDown) {
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
  } else {
    QAbstractScrollArea::keyPressEvent(event);
    return;
  }
  event->accept();
}

void LogView::scrollContentsBy(int /*dx*/, int /*dy*/) {
  viewport()->update();
}

}  // namespace norvel
