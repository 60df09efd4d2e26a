#include <gtest/gtest.h>

#include "support/window_harness.h"
#include "ui/form_helpers.h"
#include "ui/mouse_pointer.h"

namespace norvel {
namespace {

using testing::WindowHarness;

TEST(ControlStates, ConnectFollowsTheInputBoxOfTheCurrentTab) {
  WindowHarness h;
  ASSERT_TRUE(h.start());
  FrmNorvel& w = h.w();
  h.type(w.txtMDBパス, "x");
  EXPECT_TRUE(w.cmd接続.enabled());
  h.type(w.txtMDBパス, "");
  EXPECT_FALSE(w.cmd接続.enabled());

  h.tab(1);
  EXPECT_EQ(h.form().focus(), &w.txtOO4Oユーザ名);
  h.type(w.txtOO4Oパスワード, "secret");
  h.type(w.txtOO4Oホスト文字列, "orcl");
  EXPECT_FALSE(w.cmd接続.enabled());  // only the user name counts
  h.type(w.txtOO4Oユーザ名, "scott");
  EXPECT_TRUE(w.cmd接続.enabled());
  h.tab(0);
  EXPECT_FALSE(w.cmd接続.enabled());
  EXPECT_EQ(h.form().focus(), &w.txtMDBパス);
  h.tab(1);
  EXPECT_TRUE(w.cmd接続.enabled());

  h.tab(2);
  EXPECT_EQ(h.form().focus(), &w.txtXLSパス);
  EXPECT_FALSE(w.cmd接続.enabled());
  h.tab(3);
  EXPECT_EQ(h.form().focus(), &w.txt接続文字列);
  h.type(w.txt接続文字列, " ");  // blanks are not empty
  EXPECT_TRUE(w.cmd接続.enabled());
}

TEST(ControlStates, AddFollowsTheOldCodeOnly) {
  WindowHarness h;
  ASSERT_TRUE(h.start());
  FrmNorvel& w = h.w();
  h.type(w.txt置換先, "100-0002");
  EXPECT_FALSE(w.cmd追加.enabled());
  h.type(w.txt置換元, " ");
  EXPECT_TRUE(w.cmd追加.enabled());
}

TEST(ControlStates, EnableFormControlsRestoresExactlyAndSkipsOtherKinds) {
  WindowHarness h;
  ASSERT_TRUE(h.start());
  FrmNorvel& w = h.w();
  h.type(w.txtMDBパス, "x");
  std::vector<std::pair<Control*, bool>> before;
  for (const auto& c : h.form().controls()) before.emplace_back(c.get(), c->enabled());

  EnableFormControls(h.form(), false);
  for (const auto& c : h.form().controls()) {
    switch (c->kind()) {
      case ControlKind::textBox:
      case ControlKind::comboBox:
      case ControlKind::commandButton:
      case ControlKind::listBox:
        EXPECT_FALSE(c->enabled()) << c->displayName();
        break;
      default:
        EXPECT_TRUE(c->enabled()) << c->displayName();
    }
  }
  EXPECT_TRUE(w.chkフィールド名使用.enabled());
  EXPECT_TRUE(w.sst対象.enabled());
  EnableFormControls(h.form(), true);
  for (const auto& [control, enabled] : before) {
    EXPECT_EQ(control->enabled(), enabled) << control->displayName();
  }
}

TEST(ControlStates, EnableWithoutDisableDisablesEveryHandledControl) {
  WindowHarness h;
  ASSERT_TRUE(h.start());
  EnableFormControls(h.form(), true);
  EXPECT_FALSE(h.w().cmd終了.enabled());
  EXPECT_FALSE(h.w().txtMDBパス.enabled());
  EXPECT_TRUE(h.w().chkフィールド名使用.enabled());
}

TEST(ControlStates, MousePointerNestsAndRestores) {
  Form form;
  form.setApplicationPointer(5);
  {
    clsMousePointer outer(form);
    EXPECT_EQ(outer.Busy(), 0);
    EXPECT_EQ(form.applicationPointer(), kPointerHourglass);
    EXPECT_EQ(outer.Busy(), kPointerHourglass);
    {
      clsMousePointer inner(form);
      EXPECT_EQ(inner.SetCursor(3), 0);
      EXPECT_EQ(form.applicationPointer(), 3);
    }
    EXPECT_EQ(form.applicationPointer(), kPointerHourglass);
  }
  EXPECT_EQ(form.applicationPointer(), 5);
}

}  // namespace
}  // namespace norvel
