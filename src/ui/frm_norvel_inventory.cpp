#include "ui/frm_norvel_inventory.h"

#include "db/source_kind.h"

namespace norvel {
namespace {

const FontSpec kUiFont{"MS UI Gothic", 11.25, false};
const FontSpec kFixedFont{"ＭＳ ゴシック", 11.25, true};

// How a text box shows and takes its text.
constexpr unsigned kMultiLine = 1;
constexpr unsigned kVerticalScroll = 2;
constexpr unsigned kReadOnly = 4;
constexpr unsigned kPassword = 8;

struct Row {
  const char* name;
  int index;
  ControlKind kind;
  const char* container;
  int container_index;
  int tab;
  int tab_order;
  TwipsRect layout;
  const char* caption;
  bool fixed_font;
  unsigned text_style = 0;
  const char* tool_tip = "";
};

using K = ControlKind;

// Layout in twips relative to the container; controls on sst対象 relative to its area.
const Row kRows[] = {
    {"frmNorvel",
     -1,
     K::window,
     "",
     -1,
     -1,
     -1,
     {0, 0, 7710, 6690},
     "郵便番号置換ユーティリティ",
     false},
    {"Frame1",
     -1,
     K::frame,
     "frmNorvel",
     -1,
     -1,
     0,
     {150, 135, 7395, 2880},
     "対象データベース",
     false},
    {"sst対象", -1, K::tabContainer, "Frame1", -1, -1, 1, {150, 375, 7020, 1920}, "", false},
    {"txtMDBパス", -1, K::textBox, "sst対象", -1, 0, 2, {870, 915, 5355, 345}, "", false},
    {"cmdMDBパス", -1, K::commandButton, "sst対象", -1, 0, 3, {6285, 915, 465, 345}, "…", false},
    {"txtOO4Oユーザ名", -1, K::textBox, "sst対象", -1, 1, 4, {1365, 480, 5445, 345}, "", false},
    // Nobody reads a password over the operator's shoulder.
    {"txtOO4Oパスワード",
     -1,
     K::textBox,
     "sst対象",
     -1,
     1,
     5,
     {1365, 915, 5445, 345},
     "",
     false,
     kPassword},
    {"txtOO4Oホスト文字列",
     -1,
     K::textBox,
     "sst対象",
     -1,
     1,
     6,
     {1365, 1350, 5445, 345},
     "",
     false},
    {"txtXLSパス", -1, K::textBox, "sst対象", -1, 2, 7, {870, 915, 5355, 345}, "", false},
    {"chkフィールド名使用",
     -1,
     K::checkBox,
     "sst対象",
     -1,
     2,
     8,
     {870, 1335, 3555, 345},
     "１行目をフィールド名として扱う",
     false},
    {"cmdXLSパス", -1, K::commandButton, "sst対象", -1, 2, 9, {6285, 915, 465, 345}, "…", false},
    {"txt接続文字列",
     -1,
     K::textBox,
     "sst対象",
     -1,
     3,
     10,
     {1365, 480, 5445, 1155},
     "",
     false,
     kMultiLine},
    {"cmd接続",
     -1,
     K::commandButton,
     "Frame1",
     -1,
     -1,
     11,
     {5265, 2370, 1905, 400},
     "接続(&C)",
     false},
    {"Frame3", -1, K::frame, "frmNorvel", -1, -1, 12, {150, 3105, 3300, 3480}, "置換リスト", false},
    {"lst置換リスト", -1, K::listBox, "Frame3", -1, -1, 13, {165, 360, 2850, 2085}, "", true},
    {"txt置換元", -1, K::textBox, "Frame3", -1, -1, 14, {210, 2550, 1080, 270}, "", true},
    {"txt置換先", -1, K::textBox, "Frame3", -1, -1, 15, {1665, 2550, 1080, 270}, "", true},
    {"cmd追加",
     -1,
     K::commandButton,
     "Frame3",
     -1,
     -1,
     16,
     {165, 2940, 1365, 400},
     "追加(&C)",
     false},
    {"cmd削除",
     -1,
     K::commandButton,
     "Frame3",
     -1,
     -1,
     17,
     {1650, 2940, 1365, 400},
     "削除(&D)",
     false},
    {"Picture1", -1, K::pictureBox, "Frame3", -1, -1, 30, {165, 2520, 2850, 330}, "", false},
    {"Label1", 6, K::label, "Picture1", -1, -1, 31, {1110, 15, 375, 255}, "->", true},
    {"Frame2",
     -1,
     K::frame,
     "frmNorvel",
     -1,
     -1,
     18,
     {3630, 3105, 3915, 1245},
     "対象テーブル、フィールド",
     false},
    {"Label1", 4, K::label, "Frame2", -1, -1, 28, {300, 360, 1155, 255}, "テーブル名", false},
    {"cobテーブル名", -1, K::comboBox, "Frame2", -1, -1, 19, {1485, 330, 2220, 345}, "", false},
    {"Label1", 5, K::label, "Frame2", -1, -1, 29, {300, 780, 1155, 255}, "フィールド名", false},
    {"cobフィールド名", -1, K::comboBox, "Frame2", -1, -1, 20, {1485, 780, 2220, 345}, "", false},
    {"txt状況",
     -1,
     K::textBox,
     "frmNorvel",
     -1,
     -1,
     21,
     {3615, 4455, 3915, 1605},
     "",
     false,
     kMultiLine | kVerticalScroll | kReadOnly},
    {"cmd開始",
     -1,
     K::commandButton,
     "frmNorvel",
     -1,
     -1,
     22,
     {3630, 6165, 1905, 400},
     "開始(&G)",
     false,
     0,
     "Shift キーを押しながらクリック（または Shift+Enter）すると、置換の件数だけを確かめます。"
     "データは変更しません。"},
    {"cmd終了",
     -1,
     K::commandButton,
     "frmNorvel",
     -1,
     -1,
     23,
     {5625, 6165, 1905, 400},
     "終了(&X)",
     false},
    {"Label1", 0, K::label, "sst対象", -1, 0, 24, {225, 960, 555, 255}, "パス", false},
    {"Label1", 1, K::label, "sst対象", -1, 1, 25, {240, 540, 1050, 255}, "ユーザ名", false},
    {"Label1", 2, K::label, "sst対象", -1, 1, 26, {60, 945, 1230, 255}, "パスワード", false},
    {"Label1", 3, K::label, "sst対象", -1, 1, 27, {120, 1365, 1215, 255}, "ホスト文字列", false},
    {"Label1", 7, K::label, "sst対象", -1, 3, 32, {165, 510, 1125, 255}, "接続文字列", false},
    {"Label1", 8, K::label, "sst対象", -1, 2, 33, {225, 960, 555, 255}, "パス", false},
    {"dlgCommon", -1, K::fileDialog, "sst対象", -1, 0, -1, {0, 0, 0, 0}, "", false},
};

}  // namespace

void buildFrmNorvelInventory(Form& form) {
  for (const Row& row : kRows) {
    Control::Inventory inv;
    inv.name = row.name;
    inv.index = row.index;
    inv.kind = row.kind;
    inv.container = row.container;
    inv.container_index = row.container_index;
    inv.tab = row.tab;
    inv.tab_order = row.tab_order;
    inv.layout = row.layout;
    inv.caption = row.caption;
    inv.font = row.fixed_font ? kFixedFont : kUiFont;
    inv.multi_line = (row.text_style & kMultiLine) != 0;
    inv.vertical_scroll = (row.text_style & kVerticalScroll) != 0;
    inv.read_only = (row.text_style & kReadOnly) != 0;
    inv.password = (row.text_style & kPassword) != 0;
    inv.tool_tip = row.tool_tip;
    // One tab for each kind of data source, in the order of their indexes.
    if (row.kind == K::tabContainer) {
      for (const SourceKind kind : kSourceKinds)
        inv.tab_captions.emplace_back(sourceKindCaption(kind));
    }
    // The captions on the tabs end just left of the box they name.
    inv.right_aligned = row.kind == K::label && row.tab >= 0;
    Control& control = form.add(std::move(inv));
    if (row.kind == K::tabContainer) form.setTabContainer(&control);
  }
  form.linkContainers();
  form.control("chkフィールド名使用").setValue(kChecked);
}

}  // namespace norvel
