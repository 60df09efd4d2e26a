#pragma once

#include <QComboBox>

#include <functional>

namespace norvel {

// A drop-down list that tells when its list closes, so that the model's dropped-down state
// follows a list the user closed without choosing (Escape, a click elsewhere). In its open list,
// with nothing chosen yet, the first arrow key picks the first line, as a Windows list does; the
// list view would otherwise step from the line it marks as current to the second one.
class ModelComboBox : public QComboBox {
  Q_OBJECT

 public:
  explicit ModelComboBox(QWidget* parent = nullptr);

  void onPopupHidden(std::function<void()> callback) { popup_hidden_ = std::move(callback); }
  void hidePopup() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::function<void()> popup_hidden_;
};

}  // namespace norvel
