#include "pairs/pair_line.h"
#include "text/number_text.h"
#include "ui/form_helpers.h"
#include "ui/frm_norvel.h"

namespace norvel {

void FrmNorvel::appendPair(const std::string& old_code, const std::string& new_code) {
  lst置換リスト.addItem(pairDisplayLine(old_code, new_code));
  clsInf& pair = mPairs_->AddItem();
  pair.s01 = old_code;
  pair.s02 = new_code;
  pairs_changed_ = true;
}

void FrmNorvel::cmd追加_Click() {
  if (txt置換元.text().empty()) return;
  if (lst置換リスト.itemCount() >= kMaxListLines) {
    // The list control counts its lines in 16 bits.
    MsgWarning("置換リストには " + formatCount(kMaxListLines) +
               " 件までしか登録できません。ペアを削除してから追加してください。");
    return;
  }
  appendPair(txt置換元.text(), txt置換先.text());
  txt置換元.setText("");
  txt置換先.setText("");
  SetFocusSafe(txt置換元);
  RefreshControlStates();
}

void FrmNorvel::cmd削除_Click() {
  const int idx = lst置換リスト.selectedIndex();
  if (idx == -1) return;
  lst置換リスト.removeItem(idx);
  mPairs_->RemoveItem(idx + 1);
  pairs_changed_ = true;
  const int m = lst置換リスト.itemCount();
  if (m > 0) lst置換リスト.setSelectedIndex(idx < m ? idx : m - 1);
  SetFocusSafe(lst置換リスト);
  RefreshControlStates();
}

}  // namespace norvel
