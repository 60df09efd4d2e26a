// The window's rules that every front end uses: tab order, access keys and the layout in twips,
// over the real inventory of the main window.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/window_harness.h"
#include "ui/access_keys.h"
#include "ui/frm_norvel_inventory.h"
#include "ui/tab_order.h"
#include "ui/twips.h"

namespace norvel {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using testing::WindowHarness;

std::string nameOf(const Control* control) {
  return control != nullptr ? control->displayName() : "(none)";
}

// The controls Tab (or Shift+Tab) visits from `from` until it comes back there.
std::vector<std::string> walk(const Form& form, const Control* from, bool forward) {
  std::vector<std::string> visited;
  const Control* at = from;
  for (int i = 0; i < 40; ++i) {
    at = nextInTabOrder(form, at, forward);
    visited.push_back(nameOf(at));
    if (at == from || at == nullptr) break;
  }
  return visited;
}

TEST(TabOrder, FreshWindowSkipsWhatIsDisabledAndWhatIsOnOtherTabs) {
  WindowHarness h;
  ASSERT_TRUE(h.start());
  const Control* start = &h.w().txtMDBパス;
  ASSERT_EQ(h.form().focus(), start);
  EXPECT_THAT(walk(h.form(), start, true),
              ElementsAre("cmdMDBパス", "lst置換リスト", "txt置換元", "txt置換先", "txt状況",
                          "cmd終了", "sst対象", "txtMDBパス"));
  EXPECT_THAT(walk(h.form(), start, false),
              ElementsAre("sst対象", "cmd終了", "txt状況", "txt置換先", "txt置換元",
                          "lst置換リスト", "cmdMDBパス", "txtMDBパス"));
}

TEST(TabOrder, EachTabWalksItsOwnControlsBetweenTheStripAndConnect) {
  WindowHarness h;
  ASSERT_TRUE(h.start());
  FrmNorvel& w = h.w();
  const std::vector<std::pair<int, std::vector<std::string>>> pages = {
      {0, {"txtMDBパス", "cmdMDBパス"}},
      {1, {"txtOO4Oユーザ名", "txtOO4Oパスワード", "txtOO4Oホスト文字列"}},
      {2, {"txtXLSパス", "chkフィールド名使用", "cmdXLSパス"}},
      {3, {"txt接続文字列"}}};
  for (const auto& [tab, own] : pages) {
    h.tab(tab);
    h.type(*h.form().focus(), "x");  // something to connect with
    std::vector<std::string> expected = own;
    for (const char* name :
         {"cmd接続", "lst置換リスト", "txt置換元", "txt置換先", "txt状況", "cmd終了", "sst対象"}) {
      expected.push_back(name);
    }
    EXPECT_THAT(walk(h.form(), &w.sst対象, true), ElementsAreArray(expected)) << tab;
  }
}

TEST(TabOrder, WithoutAFocusTabStartsAtTheFirstAndShiftTabAtTheLast) {
  WindowHarness h;
  ASSERT_TRUE(h.start());
  EXPECT_EQ(nameOf(nextInTabOrder(h.form(), nullptr, true)), "sst対象");
  EXPECT_EQ(nameOf(nextInTabOrder(h.form(), nullptr, false)), "cmd終了");
  // A front end's own conditions narrow the choice further.
  const auto buttons_only = [](const Control& c) { return c.kind() == ControlKind::commandButton; };
  EXPECT_EQ(nameOf(nextInTabOrder(h.form(), &h.w().txtMDBパス, true, buttons_only)), "cmdMDBパス");
  EXPECT_EQ(nameOf(nextInTabOrder(h.form(), &h.w().cmdMDBパス, true, buttons_only)), "cmd終了");
  const auto nothing = [](const Control&) { return false; };
  EXPECT_EQ(nextInTabOrder(h.form(), &h.w().cmdMDBパス, true, nothing), nullptr);
}

TEST(TabOrder, ListsEveryControlThatCanHoldTheFocusInTabOrder) {
  Form form;
  buildFrmNorvelInventory(form);
  std::vector<std::string> names;
  for (const Control* c : tabOrder(form)) names.push_back(c->displayName());
  EXPECT_THAT(
      names,
      ElementsAre("sst対象", "txtMDBパス", "cmdMDBパス", "txtOO4Oユーザ名", "txtOO4Oパスワード",
                  "txtOO4Oホスト文字列", "txtXLSパス", "chkフィールド名使用", "cmdXLSパス",
                  "txt接続文字列", "cmd接続", "lst置換リスト", "txt置換元", "txt置換先", "cmd追加",
                  "cmd削除", "cobテーブル名", "cobフィールド名", "txt状況", "cmd開始", "cmd終了"));
}

TEST(AccessKeys, CaptionsGiveTheirKeyAndLoseTheirMarks) {
  struct Case {
    const char* caption;
    char32_t key;
    const char* shown;
  };
  for (const Case& c : std::vector<Case>{{"接続(&C)", U'C', "接続(C)"},
                                         {"終了(&x)", U'X', "終了(x)"},
                                         {"A && B", 0, "A & B"},
                                         {"&&&go", U'G', "&go"},
                                         {"&&", 0, "&"},
                                         {"end&", 0, "end"},
                                         {"&あ", U'あ', "あ"},
                                         {"", 0, ""},
                                         {"…", 0, "…"}}) {
    EXPECT_EQ(accessKey(c.caption), c.key) << c.caption;
    EXPECT_EQ(withoutAccessMarks(c.caption), c.shown) << c.caption;
  }
}

TEST(AccessKeys, ASharedKeyMovesOnFromTheFocusAndPressesNothing) {
  WindowHarness h;
  ASSERT_TRUE(h.start());
  FrmNorvel& w = h.w();
  h.type(w.txtMDBパス, h.dir.file("x.sqlite"));
  h.type(w.txt置換元, "100-0001");
  ASSERT_TRUE(w.cmd接続.enabled());
  ASSERT_TRUE(w.cmd追加.enabled());
  struct Case {
    Control* from;
    const char* expected;
  };
  for (const Case& c : std::vector<Case>{{&w.txtMDBパス, "cmd接続"},
                                         {&w.cmd接続, "cmd追加"},
                                         {&w.txt置換元, "cmd追加"},
                                         {&w.cmd追加, "cmd接続"},
                                         {&w.cmd終了, "cmd接続"},
                                         {nullptr, "cmd接続"}}) {
    const AccessKeyTarget target = accessKeyTarget(h.form(), U'c', c.from);
    EXPECT_EQ(nameOf(target.control), c.expected) << nameOf(c.from);
    EXPECT_FALSE(target.press) << nameOf(c.from);
  }
}

TEST(AccessKeys, TheOnlyControlWithTheKeyIsPressedAndADisabledOneIsPassedBy) {
  WindowHarness h;
  ASSERT_TRUE(h.start());
  FrmNorvel& w = h.w();
  h.type(w.txtMDBパス, h.dir.file("x.sqlite"));
  // 追加 has nothing to add: 接続 is the only C.
  AccessKeyTarget target = accessKeyTarget(h.form(), U'C', &w.cmd終了);
  EXPECT_EQ(target.control, &w.cmd接続);
  EXPECT_TRUE(target.press);
  target = accessKeyTarget(h.form(), U'X', &w.txtMDBパス);
  EXPECT_EQ(target.control, &w.cmd終了);
  EXPECT_TRUE(target.press);
  // 削除 has nothing selected, 開始 nothing to run with: no control takes D or G.
  EXPECT_EQ(accessKeyTarget(h.form(), U'D', &w.txtMDBパス).control, nullptr);
  EXPECT_EQ(accessKeyTarget(h.form(), U'G', &w.txtMDBパス).control, nullptr);
  EXPECT_EQ(accessKeyTarget(h.form(), 0, &w.txtMDBパス).control, nullptr);
}

TEST(Twips, ConvertAtTheResolutionRoundingToWholePixels) {
  EXPECT_EQ(twipsToPixels(1440, 96), 96);
  EXPECT_EQ(twipsToPixels(15, 96), 1);
  EXPECT_EQ(twipsToPixels(7710, 144), 771);
  EXPECT_EQ(twipsToPixels(3105, 144), 311) << "halves round away from zero";
  EXPECT_DOUBLE_EQ(pixelsToTwips(1920, 96), 28800);
  EXPECT_EQ(twipsToPixels(TwipsRect{150, 135, 7395, 2880}, 120), (PixelRect{13, 11, 616, 240}));
}

TEST(Twips, ControlsArePlacedInTheWindowThroughTheirContainers) {
  Form form;
  buildFrmNorvelInventory(form);
  // Frame1 + the tab container + the box, whichever tab is current.
  const TwipsRect path = windowTwips(form.control("txtMDBパス"));
  EXPECT_EQ(path.left, 150 + 150 + 870);
  EXPECT_EQ(path.top, 135 + 375 + 915);
  EXPECT_EQ(path.width, 5355);
  const TwipsRect frame = windowTwips(form.control("Frame1"));
  EXPECT_EQ(frame.left, 150);
  EXPECT_EQ(frame.top, 135);
  // The arrow on the backdrop in Frame3: each level is rounded on its own, as nested widgets are
  // placed, which is not the rounding of the sum.
  const Control& arrow = form.control("Label1", 6);
  const TwipsRect twips = windowTwips(arrow);
  EXPECT_EQ(twips.top, 3105 + 2520 + 15);
  EXPECT_EQ(twipsToPixels(twips.top, 144), 564);
  const PixelRect pixels = windowPixels(arrow, 144);
  EXPECT_EQ(pixels.top, 311 + 252 + 2);
  EXPECT_EQ(pixels.left, 15 + 17 + 111);
}

// The inventory is laid out so that nothing hides anything: every control lies inside its
// container, and no two controls that take the focus overlap where both are shown.
TEST(Twips, EveryControlLiesInsideItsContainerAndNoBoxesOverlap) {
  Form form;
  buildFrmNorvelInventory(form);
  const auto inside = [](const TwipsRect& inner, const TwipsRect& outer) {
    return inner.left >= 0 && inner.top >= 0 && inner.left + inner.width <= outer.width &&
           inner.top + inner.height <= outer.height;
  };
  const auto overlap = [](const TwipsRect& a, const TwipsRect& b) {
    return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
           b.top < a.top + a.height;
  };
  const auto tabOf = [](const Control& c) {
    for (const Control* at = &c; at != nullptr; at = at->container()) {
      if (at->inventory().tab >= 0) return at->inventory().tab;
    }
    return -1;
  };
  for (const auto& owned : form.controls()) {
    const Control& c = *owned;
    if (c.container() == nullptr || c.kind() == ControlKind::fileDialog) continue;
    EXPECT_TRUE(inside(c.inventory().layout, c.container()->inventory().layout)) << c.displayName();
    if (!kindTakesFocus(c.kind())) continue;
    for (const auto& other : form.controls()) {
      if (other.get() == &c || !kindTakesFocus(other->kind()) ||
          other->kind() == ControlKind::tabContainer || c.kind() == ControlKind::tabContainer) {
        continue;
      }
      const int a = tabOf(c);
      const int b = tabOf(*other);
      if (a >= 0 && b >= 0 && a != b) continue;
      EXPECT_FALSE(overlap(windowTwips(c), windowTwips(*other)))
          << c.displayName() << " and " << other->displayName();
    }
  }
}

TEST(Inventory, TextBoxStylesToolTipsAndTabCaptionsComeWithTheControls) {
  Form form;
  buildFrmNorvelInventory(form);
  std::vector<std::string> multi_line;
  std::vector<std::string> read_only;
  std::vector<std::string> password;
  std::vector<std::string> tipped;
  for (const auto& owned : form.controls()) {
    const Control::Inventory& inv = owned->inventory();
    if (inv.multi_line) multi_line.push_back(inv.name);
    if (inv.read_only) read_only.push_back(inv.name);
    if (inv.password) password.push_back(inv.name);
    if (!inv.tool_tip.empty()) tipped.push_back(inv.name);
  }
  EXPECT_THAT(multi_line, ElementsAre("txt接続文字列", "txt状況"));
  EXPECT_THAT(read_only, ElementsAre("txt状況"));
  EXPECT_TRUE(form.control("txt状況").inventory().vertical_scroll);
  EXPECT_THAT(password, ElementsAre("txtOO4Oパスワード"));
  EXPECT_THAT(tipped, ElementsAre("cmd開始"));
  EXPECT_NE(form.control("cmd開始").inventory().tool_tip.find("Shift"), std::string::npos);
  EXPECT_THAT(form.control("sst対象").inventory().tab_captions,
              ElementsAre("Microsoft Access", "Oracle", "Microsoft Excel", "その他（ＡＤＯ）"));
}

}  // namespace
}  // namespace norvel
