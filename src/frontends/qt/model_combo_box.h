#pragma once

#include <QComboBox>

#include <functional>

namespace norvel {

// A drop-down list that tells when its list closes, so that the model's dropped-down state
// follows a list the user closed without choosing (Escape, a click elsewhere).
class ModelComboBox : public QComboBox {
  Q_OBJECT

 public:
  explicit ModelComboBox(QWidget* parent = nullptr) : QComboBox(parent) {}

  void onPopupHidden(std::function<void()> callback) { popup_hidden_ = std::move(callback); }
  void hidePopup() override;

 private:
  std::function<void()> popup_hidden_;
};

}  // namespace norvel
