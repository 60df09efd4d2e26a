#include "ui/frm_norvel.h"

namespace norvel {

// Keys that save a trip to a button: Delete in the list deletes the selected pair, Enter after
// the new code adds the pair, Enter in a path box connects. Each does what the button's click
// does, and only when the button could be clicked.
bool FrmNorvel::handleKey(Control& control, Key key, int /*shift*/) {
  if (!mbLoaded_) return false;
  // Ctrl+Z in the status box, where the run's lines are: the context menu's 直前の置換を元に戻す.
  if (key == Key::undo && &control == &txt状況) {
    if (canUndoLastRun()) handleCommand(control, Command::undoLastRun);
    return true;
  }
  Control* button = nullptr;
  if (key == Key::del && &control == &lst置換リスト) {
    button = &cmd削除;
  } else if (key == Key::enter && &control == &txt置換先) {
    button = &cmd追加;
  } else if (key == Key::enter && (&control == &txtMDBパス || &control == &txtXLSパス)) {
    button = &cmd接続;
  }
  if (button == nullptr) return false;
  if (button->enabled()) handleEvent(*button, EventKind::click, 0);
  return true;
}

}  // namespace norvel
