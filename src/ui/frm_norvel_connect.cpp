#include "catalog/connect_texts.h"
#include "catalog/failure_texts.h"
#include "db/source_kind.h"
#include "db/write_check.h"
#include "ui/form_helpers.h"
#include "ui/frm_norvel.h"
#include "ui/long_action.h"
#include "ui/mouse_pointer.h"

namespace norvel {

bool FrmNorvel::OpenDatabase(const std::string& connection_string) {
  try {
    database_.Open(connection_string);
    return false;
  } catch (const std::exception& error) {
    MsgWarning(openFailureMessage(connection_string, descriptionOf(error)));
    return true;
  }
}

void FrmNorvel::cmd接続_Click() {
  clsMousePointer pointer(form_);
  pointer.Busy();
  LongAction hold(*this);
  cobテーブル名.clear();
  cobフィールド名.clear();
  mbConnected_ = false;
  // An undo goes to the connection its run went to, and this one closes now.
  last_journal_.clear();

  const SourceKind kind = sourceKindOfTab(form_.currentTab());
  const SourceInputs inputs{
      .path = kind == SourceKind::excel ? txtXLSパス.text() : txtMDBパス.text(),
      .user = txtOO4Oユーザ名.text(),
      .password = txtOO4Oパスワード.text(),
      .host = txtOO4Oホスト文字列.text(),
      .header_check = chkフィールド名使用.value(),
      .connection_string = txt接続文字列.text()};
  if (const auto missing = missingInput(kind, inputs)) {
    // The box the kind cannot do without, also when only the Oracle password is missing.
    Control& required = inputBoxOfCurrentTab();
    MsgWarning(missingInputText(*missing));
    required.setEnabled(true);
    SetFocusSafe(required);
  } else {
    const std::string connection_string = buildConnectionString(kind, inputs);
    if (kind != SourceKind::connectionString) txt接続文字列.setText(connection_string);
    if (!OpenDatabase(connection_string)) {
      mbConnected_ = true;
      // Said now rather than after a whole run: a check still works.
      const bool file_kind = kind == SourceKind::access || kind == SourceKind::excel;
      if (const std::string warning =
              writeWarningOf(*database_.gAdoConnection(), file_kind ? inputs.path : "",
                             platform_.files, Language::japanese, CheckName::window);
          !warning.empty()) {
        MsgWarning(warning);
      }
      try {
        ListTables();
      } catch (const std::exception& error) {
        MsgWarning(descriptionOf(error));
      }
      if (cobテーブル名.itemCount() > 0) {
        hold.restore();
        cobテーブル名.setEnabled(true);
        SetFocusSafe(cobテーブル名);
        platform_.windows.requestDropDown();
      }
    }
  }
  hold.restore();
  RefreshControlStates();
}

void FrmNorvel::browse(Control& path_box, const char* default_ext, const char* filter) {
  OpenFileDialog dialog;
  dialog.file_name = "";
  dialog.default_ext = default_ext;
  dialog.filter = filter;
  dialog.init_dir = platform_.process.currentDirectory();
  platform_.windows.showOpenDialog(dialog);
  if (!dialog.file_name.empty()) path_box.setText(dialog.file_name);
}

void FrmNorvel::cmdMDBパス_Click() {
  browse(txtMDBパス, "mdb", "Microsoft Access(*.mdb)|*.mdb");
}

void FrmNorvel::cmdXLSパス_Click() {
  browse(txtXLSパス, "xls", "Microsoft Excell(*.xls)|*.xls");
}

}  // namespace norvel
