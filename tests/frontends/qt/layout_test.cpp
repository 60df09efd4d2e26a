#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPixmap>

#include <set>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "frontends/qt/japanese_ui.h"
#include "qt_window_harness.h"

namespace norvel::testing {
namespace {

using ::testing::IsEmpty;

QRect inWindow(const QWidget* widget, const QWidget* window) {
  return QRect(widget->mapTo(window, QPoint(0, 0)), widget->size());
}

// What is wrong with the caption of a label, check box or button as it is on screen: cut by its
// own edges or its container's, or touching a box beside it. Empty when it is fine.
std::vector<std::string> captionFaults(QWidget* widget, const QWidget* window,
                                       const std::vector<QWidget*>& boxes) {
  std::vector<std::string> faults;
  const std::string name = toUtf8(widget->objectName());
  const QFontMetrics metrics = widget->fontMetrics();
  if (auto* label = qobject_cast<QLabel*>(widget)) {
    if (metrics.horizontalAdvance(label->text()) > label->contentsRect().width())
      faults.push_back(name + ": caption wider than the label");
    // Cut glyphs leave ink on the label's edge columns.
    const QImage image = label->grab().toImage();
    for (int x : {0, image.width() - 1}) {
      for (int y = 1; y < image.height(); ++y) {
        if (image.pixel(x, y) != image.pixel(x, 0)) {
          faults.push_back(name + ": ink on the edge column " + std::to_string(x));
          break;
        }
      }
    }
    const QRect rect = inWindow(label, window);
    for (const QWidget* box : boxes) {
      const QRect other = inWindow(box, window);
      if (other.top() > rect.bottom() || rect.top() > other.bottom()) continue;
      if (rect.adjusted(-2, 0, 2, 0).intersects(other))
        faults.push_back(name + ": touches " + toUtf8(box->objectName()));
    }
  } else if (auto* check = qobject_cast<QCheckBox*>(widget)) {
    if (check->sizeHint().width() > check->width())
      faults.push_back(name + ": caption wider than the check box");
  } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
    QString text = button->text();
    text.remove(QLatin1Char('&'));
    if (metrics.horizontalAdvance(text) + 4 > button->width())
      faults.push_back(name + ": caption wider than the button");
  }
  if (!widget->parentWidget()->rect().contains(widget->geometry()))
    faults.push_back(name + ": outside its container");
  return faults;
}

TEST(Layout, EveryCaptionFitsAtTheUsualResolutions) {
  for (double dpi : {96.0, 120.0, 144.0, 192.0}) {
    QtWindowHarness h;
    h.dpi = dpi;
    ASSERT_TRUE(h.start());
    std::vector<QWidget*> boxes;
    for (const auto& owned : h.form().controls()) {
      if (kindTakesFocus(owned->kind()) && owned->kind() != ControlKind::tabContainer)
        boxes.push_back(h.v().widgetOf(*owned));
    }
    std::set<std::string> checked;
    for (int tab = 0; tab < 4; ++tab) {
      h.clickTab(tab);
      for (const auto& owned : h.form().controls()) {
        QWidget* widget = h.v().widgetOf(*owned);
        if (widget == nullptr || !widget->isVisible() ||
            !(owned->kind() == ControlKind::label || owned->kind() == ControlKind::checkBox ||
              owned->kind() == ControlKind::commandButton))
          continue;
        std::vector<QWidget*> shown;
        for (QWidget* box : boxes) {
          if (box != widget && box->isVisible()) shown.push_back(box);
        }
        EXPECT_THAT(captionFaults(widget, &h.v(), shown), IsEmpty()) << dpi << " dpi";
        checked.insert(owned->displayName());
      }
    }
    EXPECT_EQ(checked.size(), 9u + 7u + 1u) << "labels, buttons and the check box, every tab";
  }
}

TEST(Layout, FrameCaptionsSitOnTheFrameLineClearOfTheContents) {
  for (double dpi : {96.0, 144.0}) {
    QtWindowHarness h;
    h.dpi = dpi;
    ASSERT_TRUE(h.start());
    for (Control* frame : {&h.w().Frame1, &h.w().Frame2, &h.w().Frame3}) {
      auto* box = h.widget<QGroupBox>(*frame);
      const QImage image = box->grab().toImage();
      const QFontMetrics metrics = box->fontMetrics();
      // The frame's top line runs through the caption's middle: at that height, left of the
      // caption, the frame is drawn; above and below it there is only background.
      const int line = metrics.height() / 2;
      const QRgb background = image.pixel(2, image.height() / 2);
      auto drawn = [&](int y) {
        for (int x = 0; x < 4; ++x) {
          if (image.pixel(x, y) != image.pixel(x, 0)) return true;
        }
        return false;
      };
      int top = -1;
      for (int y = 0; y < metrics.height() && top < 0; ++y) {
        if (image.pixel(2, y) != image.pixel(2, 0) && image.pixel(2, y) != background) top = y;
      }
      EXPECT_NEAR(top, line, 1) << frame->name() << " at " << dpi;
      EXPECT_FALSE(drawn(line - 3)) << frame->name();
      // No control overlaps the line around the frame or the caption.
      const QRect inside = box->rect().adjusted(2, line + 2, -2, -2);
      QRect caption = metrics.tightBoundingRect(box->title()).translated(0, metrics.ascent());
      caption.setLeft(0);
      caption.setWidth(metrics.horizontalAdvance(box->title()) + 12);
      for (const QObject* child : box->children()) {
        const auto* widget = qobject_cast<const QWidget*>(child);
        if (widget == nullptr || !widget->isVisible()) continue;
        EXPECT_TRUE(inside.contains(widget->geometry()))
            << toUtf8(widget->objectName()) << " at " << dpi;
        EXPECT_FALSE(caption.intersects(widget->geometry())) << toUtf8(widget->objectName());
      }
    }
  }
}

TEST(Layout, QtsOwnDialogsSpeakJapanese) {
  const JapaneseUi japanese;
  ASSERT_TRUE(japanese.translated()) << "qt6-translations-l10n is installed by install-deps";
  EXPECT_EQ(QLocale().language(), QLocale::Japanese);
  QFileDialog dialog;
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  auto* buttons = dialog.findChild<QDialogButtonBox*>();
  ASSERT_NE(buttons, nullptr);
  EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("キャンセル"));
  QMessageBox box(QMessageBox::Information, "t", "x", QMessageBox::Ok | QMessageBox::Cancel);
  EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QStringLiteral("キャンセル"));
}

}  // namespace
}  // namespace norvel::testing
