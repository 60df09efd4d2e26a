#include "ui/frm_norvel.h"

#include "catalog/failure_texts.h"

#include "ui/form_helpers.h"
#include "ui/frm_norvel_inventory.h"
#include "ui/long_action.h"
#include "ui/messages.h"
#include "ui/mouse_pointer.h"

namespace norvel {
namespace {

// The window's frame and title bar around the client area, until a real window system reports
// its own.
constexpr int kFrameTwips = 120;
constexpr int kCaptionTwips = 405;

Form& buildForm(Form& form) {
  buildFrmNorvelInventory(form);
  form.setOuterSize(kClientWidthTwips + kFrameTwips,
                    kClientHeightTwips + kFrameTwips + kCaptionTwips);
  return form;
}

}  // namespace

FrmNorvel::FrmNorvel(Platform& platform)
    : platform_(platform),
      frmNorvel(buildForm(form_).window()),
      Frame1(form_.control("Frame1")),
      sst対象(form_.control("sst対象")),
      txtMDBパス(form_.control("txtMDBパス")),
      cmdMDBパス(form_.control("cmdMDBパス")),
      txtOO4Oユーザ名(form_.control("txtOO4Oユーザ名")),
      txtOO4Oパスワード(form_.control("txtOO4Oパスワード")),
      txtOO4Oホスト文字列(form_.control("txtOO4Oホスト文字列")),
      txtXLSパス(form_.control("txtXLSパス")),
      chkフィールド名使用(form_.control("chkフィールド名使用")),
      cmdXLSパス(form_.control("cmdXLSパス")),
      txt接続文字列(form_.control("txt接続文字列")),
      cmd接続(form_.control("cmd接続")),
      Frame3(form_.control("Frame3")),
      lst置換リスト(form_.control("lst置換リスト")),
      txt置換元(form_.control("txt置換元")),
      txt置換先(form_.control("txt置換先")),
      cmd追加(form_.control("cmd追加")),
      cmd削除(form_.control("cmd削除")),
      Picture1(form_.control("Picture1")),
      Frame2(form_.control("Frame2")),
      cobテーブル名(form_.control("cobテーブル名")),
      cobフィールド名(form_.control("cobフィールド名")),
      txt状況(form_.control("txt状況")),
      cmd開始(form_.control("cmd開始")),
      cmd終了(form_.control("cmd終了")),
      dlgCommon(form_.control("dlgCommon")),
      database_(platform.databases) {
  form_.setEventHandler(this);
}

FrmNorvel::~FrmNorvel() {
  form_.setEventHandler(nullptr);
}

void FrmNorvel::MsgWarning(std::string_view message) {
  norvel::MsgWarning(platform_.windows, platform_.code_page, message);
}

void FrmNorvel::MsgInfo(std::string_view message) {
  norvel::MsgInfo(platform_.windows, platform_.code_page, message);
}

void FrmNorvel::Load() {
  clsMousePointer pointer(form_);
  pointer.Busy();
  mbLoaded_ = false;
  SetFormSizable(form_, false);
  CenterForm(form_, platform_.windows);
  InitPairCollection();
  InitializeForm();
  platform_.windows.processPendingEvents();
  mbLoaded_ = true;
}

void FrmNorvel::InitPairCollection() {
  mbConnected_ = false;
  mPairs_ = std::make_unique<clsInfCol>();
}

void FrmNorvel::InitializeForm() {
  form_.setCurrentTab(0);
  for (Control* box : {&txtMDBパス, &txtXLSパス, &txtOO4Oユーザ名, &txtOO4Oパスワード,
                       &txtOO4Oホスト文字列, &txt接続文字列}) {
    box->setText("");
  }
  lst置換リスト.clear();
  mPairs_ = std::make_unique<clsInfCol>();
  txt置換元.setText("");
  txt置換先.setText("");
  cobテーブル名.clear();
  cobフィールド名.clear();
  txt状況.setText("");
  LoadPairFile();
  RefreshControlStates();
}

void FrmNorvel::TerminateApplication() {
  {
    clsMousePointer pointer(form_);
    pointer.Busy();
    database_.CloseDatabase();
  }
  mPairs_.reset();
  form_.terminate();
  platform_.windows.endProcess();
}

Control& FrmNorvel::inputBoxOfCurrentTab() {
  switch (form_.currentTab()) {
    case 0:
      return txtMDBパス;
    case 1:
      return txtOO4Oユーザ名;
    case 2:
      return txtXLSパス;
    default:
      return txt接続文字列;
  }
}

void FrmNorvel::RefreshControlStates() {
  // While a long action has the window disabled, its own restore and refresh decide.
  if (longActionRunning()) return;
  cmd接続.setEnabled(!inputBoxOfCurrentTab().text().empty());
  cmd追加.setEnabled(!txt置換元.text().empty());
  cmd削除.setEnabled(lst置換リスト.selectedIndex() != -1);
  cobテーブル名.setEnabled(mbConnected_);
  cobフィールド名.setEnabled(mbConnected_);
  cmd開始.setEnabled(lst置換リスト.itemCount() >= 1 && cobフィールド名.selectedIndex() != -1 &&
                     mbConnected_);
}

void FrmNorvel::sst対象_Click(int /*previous_tab*/) {
  if (!mbLoaded_ || longActionRunning()) return;
  SetFocusSafe(inputBoxOfCurrentTab());
  RefreshControlStates();
}

void FrmNorvel::cmd終了_Click() {
  SavePairFile();
  TerminateApplication();
}

// Closing from the title bar or with Alt+F4: a run is interrupted first, and a changed pair list
// is saved if the user wants it.
void FrmNorvel::Form_Unload() {
  if (runRunning()) {
    if (askToInterruptRun(true)) close_after_run_ = true;
    return;
  }
  if (pairs_changed_) {
    switch (norvel::askUser(platform_.windows, platform_.code_page,
                            "置換リストが変更されています。保存しますか？",
                            MessageButtons::yesNoCancel)) {
      case MessageAnswer::yes:
        if (!SavePairFile()) return;
        break;
      case MessageAnswer::no:
        break;
      case MessageAnswer::cancel:
        return;
    }
  }
  TerminateApplication();
}

void FrmNorvel::handleEvent(Control& control, EventKind kind, int argument) {
  try {
    if (kind == EventKind::unload) {
      Form_Unload();
      return;
    }
    if (!mbLoaded_) return;
    if (kind == EventKind::cancel) {
      cancelRequested();
      return;
    }
    if (kind == EventKind::change) {
      // Every box with a change handler only refreshes; txt置換先 and txt状況 have none.
      if (&control == &txtMDBパス || &control == &txtOO4Oユーザ名 ||
          &control == &txtOO4Oパスワード || &control == &txtOO4Oホスト文字列 ||
          &control == &txtXLSパス || &control == &txt接続文字列 || &control == &txt置換元) {
        RefreshControlStates();
      }
      return;
    }
    if (&control == &sst対象) {
      sst対象_Click(argument);
    } else if (&control == &cmd接続) {
      cmd接続_Click();
    } else if (&control == &cmdMDBパス) {
      cmdMDBパス_Click();
    } else if (&control == &cmdXLSパス) {
      cmdXLSパス_Click();
    } else if (&control == &cobテーブル名) {
      cobテーブル名_Click();
    } else if (&control == &cobフィールド名 || &control == &lst置換リスト) {
      RefreshControlStates();
    } else if (&control == &cmd追加) {
      cmd追加_Click();
    } else if (&control == &cmd削除) {
      cmd削除_Click();
    } else if (&control == &cmd開始) {
      // Shift checks what a run would change and changes nothing.
      cmd開始_Click((argument & kShiftMask) != 0 ? RunMode::dryRun : RunMode::commit);
    } else if (&control == &cmd終了) {
      cmd終了_Click();
    }
  } catch (const std::exception& error) {
    // A failure no handler expected: the user sees its description and the window goes on.
    MsgWarning(descriptionOf(error));
  }
}

}  // namespace norvel
