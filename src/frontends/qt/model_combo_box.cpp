#include "model_combo_box.h"

namespace norvel {

void ModelComboBox::hidePopup() {
  QComboBox::hidePopup();
  if (popup_hidden_) popup_hidden_();
}

}  // namespace norvel
