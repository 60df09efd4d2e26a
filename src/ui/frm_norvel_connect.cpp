#include "db/connection_string.h"
#include "ui/form_helpers.h"
#include "ui/frm_norvel.h"
#include "ui/long_action.h"
#include "ui/mouse_pointer.h"

namespace norvel {

void FrmNorvel::cmd接続_Click() {
  clsMousePointer pointer(form_);
  pointer.Busy();
  LongAction hold(*this);
  cobテーブル名.clear();
  cobフィールド名.clear();
  mbConnected_ = false;

  struct Kind {
    Control& required;
    const char* message;
  };
  const int tab = form_.currentTab();
  const Kind kind = tab == 0 ? Kind{txtMDBパス, "MDBファイルのパスを入力してください"}
                    : tab == 1 ? Kind{txtOO4Oユーザ名, "ユーザ名、パスワードを入力してください"}
                    : tab == 2
                        ? Kind{txtXLSパス, "Excelファイルのパスを入力してください"}
                        : Kind{txt接続文字列, "Active Data Object 接続文字列を入力してください"};
  const bool missing = tab == 1 ? txtOO4Oユーザ名.text().empty() || txtOO4Oパスワード.text().empty()
                                : kind.required.text().empty();
  if (missing) {
    MsgWarning(kind.message);
    kind.required.setEnabled(true);
    SetFocusSafe(kind.required);
  } else {
    std::string connection_string;
    switch (tab) {
      case 0:
        connection_string = AccessConnectionString(txtMDBパス.text());
        break;
      case 1:
        connection_string = OracleConnectionString(txtOO4Oユーザ名.text(), txtOO4Oパスワード.text(),
                                                   txtOO4Oホスト文字列.text());
        break;
      case 2:
        connection_string = ExcelConnectionString(txtXLSパス.text(), chkフィールド名使用.value());
        break;
      default:
        connection_string = txt接続文字列.text();
        break;
    }
    if (tab <= 2) txt接続文字列.setText(connection_string);
    if (!database_.OpenDatabase(connection_string)) {
      mbConnected_ = true;
      try {
        ListTables();
      } catch (const std::exception& error) {
        MsgWarning(error.what());
      }
      if (cobテーブル名.itemCount() > 0) {
        hold.restore();
        cobテーブル名.setEnabled(true);
        SetFocusSafe(cobテーブル名);
        platform_.windows.queueKeys("{F4}");
      }
    }
  }
  hold.restore();
  RefreshControlStates();
}

void FrmNorvel::Browse(Control& path_box, const char* default_ext, const char* filter) {
  OpenFileDialog dialog;
  dialog.file_name = "";
  dialog.default_ext = default_ext;
  dialog.filter = filter;
  dialog.init_dir = platform_.process.currentDirectory();
  platform_.windows.showOpenDialog(dialog);
  if (!dialog.file_name.empty()) path_box.setText(dialog.file_name);
}

void FrmNorvel::cmdMDBパス_Click() {
  Browse(txtMDBパス, "mdb", "Microsoft Access(*.mdb)|*.mdb");
}

void FrmNorvel::cmdXLSパス_Click() {
  Browse(txtXLSパス, "xls", "Microsoft Excell(*.xls)|*.xls");
}

}  // namespace norvel
