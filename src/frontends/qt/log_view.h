#pragma once

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QKeySequence>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QMenu;
class QTextLayout;

namespace norvel {

// A read-only text box for a log that only grows: the status box of a run, which takes two lines
// per pair and up to 65,534 lines. Appending stores the lines at once and costs the same at any
// length; the screen follows at most every kRefreshMs, since a run appends far more often than a
// screen can show. Long lines wrap at the box's width, by the Japanese rules. The user can scroll,
// and copy the whole log with the copy key or save it from the context menu. It has no caret: a
// focus frame inside its border shows that it has the focus. A progress line, dimmed, may follow
// the log without being part of it.
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

  // Shown after the last line, or in its place when it is empty; empty for none.
  void setProgressLine(const QString& line);
  const QString& progressLine() const { return progress_; }

  // Whether the whole log is shown selected (すべて選択); the copy key copies it either way.
  bool allSelected() const { return all_selected_; }
  void selectAll();
  void copy();
  // Asks for a file with the save dialog and writes the log to it as UTF-8 text; says why when it
  // cannot.
  void saveToFile();
  // An entry the owner adds to the context menu, after ファイルに保存: asked whether it can be
  // chosen each time the menu opens. Its key is only shown; the owner's key handling does it.
  struct MenuCommand {
    QString text;
    QKeySequence key;
    std::function<bool()> enabled;
    std::function<void()> run;
  };
  // The owner's entries, asked for each time the menu opens.
  void setMenuCommands(std::function<std::vector<MenuCommand>()> commands) {
    menu_commands_ = std::move(commands);
  }

  // The context menu: すべて選択, コピー, ファイルに保存, then the owner's entries.
  std::unique_ptr<QMenu> createContextMenu();

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
  void mousePressEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  void scheduleRefresh();
  // The lines drawn: the log's, with the progress line in the place of an empty last line or
  // after the last line.
  int shownLineCount() const;
  const QString& shownLine(int line) const;
  bool isProgressLine(int line) const;
  void prepareLayout(QTextLayout& layout, int line) const;
  int rowsOf(int line) const;
  int textWidth() const;
  int rowHeight() const;
  int visibleRows() const;
  // The top line that shows the last line at the bottom of the box.
  int lastTop() const;
  void scrollToShow(int line);

  std::function<std::vector<MenuCommand>()> menu_commands_;
  std::vector<QString> lines_;
  // Wrapped rows of each line at the current width; 0 = not measured yet.
  mutable std::vector<std::uint16_t> rows_;
  QString progress_;
  bool all_selected_ = false;
  bool end_requested_ = false;
  int line_requested_ = -1;
  QTimer refresh_timer_;
  QElapsedTimer since_refresh_;
};

}  // namespace norvel
