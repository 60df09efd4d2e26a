#include "ui/main_sequence.h"

#include "catalog/failure_texts.h"
#include "ui/messages.h"

namespace norvel {

bool Main(FrmNorvel& window) {
  Platform& platform = window.platform();
  try {
    window.Load();
    window.form().show();
  } catch (const std::exception& error) {
    MsgWarning(platform.windows, platform.code_page, descriptionOf(error));
    window.form().terminate();
    platform.windows.endProcess();
    return false;
  }
  try {
    window.txtMDBパス.setFocus();
  } catch (const std::exception& error) {
    MsgWarning(platform.windows, platform.code_page, descriptionOf(error));
  }
  return true;
}

}  // namespace norvel
