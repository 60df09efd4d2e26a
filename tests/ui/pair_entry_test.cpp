#include <gtest/gtest.h>

#include "support/window_harness.h"

namespace norvel {
namespace {

using testing::WindowHarness;

// The list box and the pair collection hold the same pairs in the same order.
void expectInStep(FrmNorvel& w) {
  ASSERT_EQ(w.lst置換リスト.itemCount(), w.mPairs()->GetSize());
  for (int i = 0; i < w.lst置換リスト.itemCount(); ++i) {
    const clsInf& pair = w.mPairs()->GetItem(i + 1);
    EXPECT_EQ(w.lst置換リスト.items()[i], pair.s01 + " -> " + pair.s02);
    EXPECT_EQ(pair.l01, 0);
  }
}

TEST(PairEntry, AddAppendsClearsAndFocuses) {
  WindowHarness h;
  ASSERT_TRUE(h.start());
  FrmNorvel& w = h.w();
  h.addPair("100-0001", "100-0002");
  h.select(w.lst置換リスト, 0);
  h.addPair(" 100-0003", "");
  h.addPair(" 100-0003", "");
  EXPECT_EQ(w.lst置換リスト.items(),
            (std::vector<std::string>{"100-0001 -> 100-0002", " 100-0003 -> ", " 100-0003 -> "}));
  EXPECT_EQ(w.lst置換リスト.selectedIndex(), 0);
  EXPECT_EQ(w.txt置換元.text(), "");
  EXPECT_EQ(w.txt置換先.text(), "");
  EXPECT_EQ(h.form().focus(), &w.txt置換元);
  EXPECT_FALSE(w.cmd追加.enabled());
  EXPECT_TRUE(w.cmd削除.enabled());
  expectInStep(w);
}

TEST(PairEntry, DeleteSelectsTheFollowingOrLastLine) {
  WindowHarness h;
  ASSERT_TRUE(h.start());
  FrmNorvel& w = h.w();
  for (const char* code : {"1", "2", "3"}) h.addPair(code, "x");
  h.select(w.lst置換リスト, 1);
  h.click(w.cmd削除);
  EXPECT_EQ(w.lst置換リスト.items(), (std::vector<std::string>{"1 -> x", "3 -> x"}));
  EXPECT_EQ(w.lst置換リスト.selectedIndex(), 1);
  EXPECT_EQ(h.form().focus(), &w.lst置換リスト);
  h.click(w.cmd削除);
  EXPECT_EQ(w.lst置換リスト.selectedIndex(), 0);
  h.click(w.cmd削除);
  EXPECT_EQ(w.lst置換リスト.itemCount(), 0);
  EXPECT_EQ(w.lst置換リスト.selectedIndex(), -1);
  EXPECT_FALSE(w.cmd削除.enabled());
  EXPECT_FALSE(w.cmd開始.enabled());
  expectInStep(w);
}

TEST(PairEntry, DeleteWithoutSelectionChangesNothing) {
  WindowHarness h;
  ASSERT_TRUE(h.start());
  h.addPair("1", "2");
  h.w().form().raise(h.w().cmd削除, EventKind::click);  // the button is disabled; the guard holds
  EXPECT_EQ(h.w().lst置換リスト.itemCount(), 1);
}

TEST(PairEntry, ListIsCappedAt32767Lines) {
  WindowHarness h;
  std::string file;
  for (int i = 0; i < kMaxListLines; ++i) file += std::to_string(1000000 + i) + ",1\r\n";
  testing::writeBytes(h.pairFile(), file);
  ASSERT_TRUE(h.start());
  FrmNorvel& w = h.w();
  ASSERT_EQ(w.lst置換リスト.itemCount(), kMaxListLines);
  h.addPair("100-0001", "100-0002");
  EXPECT_EQ(w.lst置換リスト.itemCount(), kMaxListLines);
  ASSERT_EQ(h.messageTexts().size(), 1u);
  EXPECT_NE(h.messageTexts()[0].find("32,767"), std::string::npos);
  EXPECT_EQ(w.txt置換元.text(), "100-0001");  // the refused pair is still there to correct
  expectInStep(w);
}

}  // namespace
}  // namespace norvel
