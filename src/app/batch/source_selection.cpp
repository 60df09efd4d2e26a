#include "app/batch/source_selection.h"

#include <algorithm>

namespace norvel::batch {

void enterSource(FrmNorvel& window, const BatchOptions& options, const std::string& password) {
  Form& form = window.form();
  form.userSelectsTab(static_cast<int>(options.source));
  switch (options.source) {
    case SourceKind::access:
      form.userTypes(window.txtMDBパス, options.path);
      break;
    case SourceKind::oracle:
      form.userTypes(window.txtOO4Oユーザ名, options.oracle_user);
      form.userTypes(window.txtOO4Oパスワード, password);
      form.userTypes(window.txtOO4Oホスト文字列, options.oracle_host);
      break;
    case SourceKind::excel:
      form.userTypes(window.txtXLSパス, options.path);
      form.userChecks(window.chkフィールド名使用, options.header_row ? kChecked : kUnchecked);
      break;
    case SourceKind::connection_string:
      form.userTypes(window.txt接続文字列, options.connection_string);
      break;
  }
}

void clickConnect(FrmNorvel& window, WindowSystem& windows) {
  window.form().userClicks(window.cmd接続);
  windows.processPendingEvents();
}

bool selectItem(FrmNorvel& window, Control& list, const std::string& name, WindowSystem& windows) {
  const auto& items = list.items();
  const auto found = std::find(items.begin(), items.end(), name);
  if (found == items.end()) return false;
  window.form().userSelects(list, static_cast<int>(found - items.begin()));
  windows.processPendingEvents();
  return list.currentText() == name;
}

}  // namespace norvel::batch
