#pragma once

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <vector>

class QTextLayout;

namespace norvel {

// A read-only text box for a log that only grows: the status box of a run, which takes two lines
// per pair and up to 65,534 lines. Appending stores the lines at once and costs the same at any
// length; the screen follows at most every kRefreshMs, since a run appends far more often than a
// screen can show. Long lines wrap at the box's width. The user can scroll, and copy the whole
// log with the copy key. It has no caret: a focus frame inside its border shows that it has the
// focus.
class LogView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit LogView(QWidget* parent = nullptr);

  // "\n" ends a line; text after the last "\n" begins the next line.
  void append(QStringView text);
  void clear();

  // The lines joined by "\n".
  QString text() const;
  // Lines so far, the last one (after the last "\n", often empty) included.
  int lineCount() const { return static_cast<int>(lines_.size()); }
  const QString& line(int index) const { return lines_.at(static_cast<std::size_t>(index)); }

  // Scrolls so that the character at this position of text() is in view, at the next refresh.
  void showPosition(qsizetype position);
  // Scrolls to the last line, at the next refresh.
  void showEnd();

  // Brings the screen up to date now rather than at the next refresh.
  void refresh();

  // The first line shown, and whether the last line is in view.
  int topLine() const;
  bool showsLastLine() const;

  static constexpr int kRefreshMs = 40;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  void scheduleRefresh();
  void prepareLayout(QTextLayout& layout, int line) const;
  int rowsOf(int line) const;
  int textWidth() const;
  int rowHeight() const;
  int visibleRows() const;
  // The top line that shows the last line at the bottom of the box.
  int lastTop() const;
  void scrollToShow(int line);

  std::vector<QString> lines_;
  // Wrapped rows of each line at the current width; 0 = not measured yet.
  mutable std::vector<std::uint16_t> rows_;
  bool end_requested_ = false;
  int line_requested_ = -1;
  QTimer refresh_timer_;
  QElapsedTimer since_refresh_;
};

}  // namespace norvel
