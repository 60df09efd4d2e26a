#include <gtest/gtest.h>

#include "support/window_harness.h"
#include "ui/form_helpers.h"

namespace norvel {
namespace {

using testing::WindowHarness;

TEST(Startup, FreshWindowWithoutPairs) {
  WindowHarness h;
  ASSERT_TRUE(h.start());
  FrmNorvel& w = h.w();
  EXPECT_TRUE(w.mbLoaded());
  EXPECT_FALSE(w.mbConnected());
  EXPECT_TRUE(h.form().visible());
  EXPECT_EQ(h.form().currentTab(), 0);
  EXPECT_EQ(h.form().focus(), &w.txtMDBパス);
  EXPECT_EQ(w.lst置換リスト.itemCount(), 0);
  EXPECT_EQ(w.mPairs()->GetSize(), 0);
  EXPECT_EQ(w.chkフィールド名使用.value(), kChecked);
  for (Control* box :
       {&w.txtMDBパス, &w.txtXLSパス, &w.txtOO4Oユーザ名, &w.txtOO4Oパスワード,
        &w.txtOO4Oホスト文字列, &w.txt接続文字列, &w.txt置換元, &w.txt置換先, &w.txt状況}) {
    EXPECT_EQ(box->text(), "") << box->name();
  }
  EXPECT_EQ(h.enabled({&w.cmd接続, &w.cmd追加, &w.cmd削除, &w.cmd開始, &w.cobテーブル名,
                       &w.cobフィールド名, &w.cmd終了, &w.cmdMDBパス, &w.txt置換元}),
            (std::vector<std::string>{"cmd終了", "cmdMDBパス", "txt置換元"}));
  EXPECT_EQ(h.form().applicationPointer(), kPointerDefault);
  EXPECT_FALSE(h.form().sizable());
  EXPECT_FALSE(h.form().hasCloseCommand());
  EXPECT_TRUE(h.windows.messages().empty());
}

TEST(Startup, WindowCentredAndKeptOnScreen) {
  struct Case {
    ScreenSize screen;
    int left;
    int top;
  };
  WindowHarness probe;
  ASSERT_TRUE(probe.start());
  const int width = probe.form().outerWidth();
  const int height = probe.form().outerHeight();
  const std::vector<Case> cases = {
      {{28800, 16200}, (28800 - width) / 2, (16200 - height) / 2},
      {{double(width) - 1000, 16200}, 0, (16200 - height) / 2},
      {{28800, double(height) - 10}, (28800 - width) / 2, 0},
  };
  for (const Case& c : cases) {
    WindowHarness h;
    h.windows.setScreenSize(c.screen);
    ASSERT_TRUE(h.start());
    EXPECT_EQ(h.form().left(), c.left);
    EXPECT_EQ(h.form().top(), c.top);
  }
}

TEST(Startup, ExitSavesTheListAndEndsTheProcess) {
  WindowHarness h;
  ASSERT_TRUE(h.start());
  h.click(h.w().cmd終了);
  EXPECT_TRUE(h.windows.ended());
  EXPECT_TRUE(h.form().terminated());
  EXPECT_EQ(testing::readBytes(h.pairFile()), "");  // an empty list leaves an empty file
  EXPECT_TRUE(std::filesystem::exists(h.pairFile()));
  EXPECT_EQ(h.w().mPairs(), nullptr);
}

TEST(Startup, ClosingTheWindowAnsweredNoDoesNotSave) {
  WindowHarness h;
  testing::writeBytes(h.pairFile(), "100-0001,100-0002\r\n");
  ASSERT_TRUE(h.start());
  h.addPair("200-0001", "200-0002");
  h.windows.answerQuestion(MessageAnswer::no);
  h.form().userCloses();
  EXPECT_TRUE(h.windows.ended());
  EXPECT_EQ(testing::readBytes(h.pairFile()), "100-0001,100-0002\r\n");
}

TEST(Startup, NoHandlerRunsAfterTermination) {
  WindowHarness h;
  ASSERT_TRUE(h.start());
  FrmNorvel& w = h.w();
  h.windows.queueEvent([&] { h.form().userTypes(w.txtMDBパス, "late.db"); });
  h.form().userClicks(w.cmd終了);
  h.pump();
  EXPECT_EQ(w.txtMDBパス.text(), "");
  EXPECT_FALSE(w.cmd接続.enabled());
}

TEST(Startup, EventsRaisedWhileLoadingChangeNothing) {
  WindowHarness h;
  testing::writeBytes(h.pairFile(), "100-0001,100-0002\r\n");
  // A user event already pending when the window loads is handled while loading and ignored.
  h.window = std::make_unique<FrmNorvel>(h.platform);
  h.windows.attach(h.form());
  h.windows.queueEvent([&] { h.form().setCurrentTab(3); });
  ASSERT_TRUE(Main(*h.window));
  EXPECT_EQ(h.form().currentTab(), 3);
  // The tab handler did not run: the focus did not move to txt接続文字列 and no refresh ran.
  EXPECT_FALSE(h.w().cmd接続.enabled());
  EXPECT_EQ(h.w().lst置換リスト.itemCount(), 1);
}

// A file system whose reads fail after the file was found: start-up must report and end.
class FailingReads : public NativeFileSystem {
 public:
  std::string readFile(const std::string& path) const override {
    throw FileError(path + ": Input/output error");
  }
};

TEST(Startup, FailureWhileLoadingIsShownAndEndsTheApplication) {
  WindowHarness h;
  FailingReads files;
  Platform platform{h.windows, h.databases, files, h.code_page, h.process};
  testing::writeBytes(h.pairFile(), "100-0001,100-0002\r\n");
  FrmNorvel window(platform);
  h.windows.attach(window.form());
  EXPECT_FALSE(Main(window));
  ASSERT_EQ(h.messageTexts().size(), 1u);
  EXPECT_EQ(h.messageTexts()[0], h.pairFile() + ": Input/output error");
  EXPECT_EQ(h.windows.messages()[0].icon, MessageIcon::warning);
  EXPECT_FALSE(window.form().visible());
  EXPECT_TRUE(h.windows.ended());
}

}  // namespace
}  // namespace norvel
