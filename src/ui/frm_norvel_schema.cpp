#include "catalog/connect_texts.h"
#include "catalog/failure_texts.h"
#include "ui/form_helpers.h"
#include "ui/frm_norvel.h"
#include "ui/mouse_pointer.h"

namespace norvel {

void FrmNorvel::ListTables() {
  clsMousePointer pointer(form_);
  pointer.Busy();
  platform_.windows.processPendingEvents();
  DatabaseConnection& catalog = database_.connection();
  cobテーブル名.clear();
  cobフィールド名.clear();
  for (const std::string& table : catalog.tableNames()) cobテーブル名.addItem(table);
}

void FrmNorvel::ListFields() {
  try {
    DatabaseConnection& catalog = database_.connection();
    cobフィールド名.clear();
    const std::string table = cobテーブル名.currentText();
    for (const std::string& name : catalog.tableNames()) {
      if (name != table) continue;
      for (const std::string& column : catalog.columnNames(name)) cobフィールド名.addItem(column);
      break;
    }
  } catch (const std::exception& error) {
    MsgWarning(fieldListFailureMessage(descriptionOf(error)));
  }
}

void FrmNorvel::cobテーブル名_Click() {
  if (table_click_running_) return;
  table_click_running_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{table_click_running_};
  if (cobテーブル名.selectedIndex() == -1) {
    cobフィールド名.clear();
  } else {
    ListFields();
    if (cobフィールド名.itemCount() > 0) {
      SetFocusSafe(cobフィールド名);
      platform_.windows.requestDropDown();
    }
  }
  RefreshControlStates();
}

}  // namespace norvel
