#include <gtest/gtest.h>

#include <filesystem>

#include "support/window_harness.h"

namespace norvel {
namespace {

using testing::readBytes;
using testing::WindowHarness;
using testing::writeBytes;

constexpr const char* kOriginal = "100-0001,100-0002\r\n";
constexpr const char* kAskSave = "置換リストが変更されています。保存しますか？";

class CloseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    writeBytes(h.pairFile(), kOriginal);
    ASSERT_TRUE(h.start());
  }
  // The questions asked, without their padding.
  std::vector<std::string> questions() {
    std::vector<std::string> out;
    for (const auto& m : h.windows.messages()) {
      if (m.icon == MessageIcon::question) out.push_back(m.text.substr(0, m.text.find("  ")));
    }
    return out;
  }

  WindowHarness h;
};

TEST_F(CloseTest, AnUnchangedListClosesWithoutAQuestion) {
  h.form().userCloses();
  EXPECT_TRUE(questions().empty());
  EXPECT_TRUE(h.form().terminated() && h.windows.ended());
  EXPECT_EQ(readBytes(h.pairFile()), kOriginal);
}

// Each answer to the question asked about a changed list, the change an added or a removed pair.
TEST_F(CloseTest, AChangedListAsksAndEachAnswerDoesWhatItSays) {
  struct Case {
    MessageAnswer answer;
    bool removed;  // the change: a pair removed rather than added
    bool closes;
    std::string file;
  };
  const std::vector<Case> cases = {
      {MessageAnswer::yes, false, true, "100-0001,100-0002\r\n200-0001,200-0002\r\n"},
      {MessageAnswer::yes, true, true, ""},
      {MessageAnswer::no, false, true, kOriginal},
      {MessageAnswer::cancel, false, false, kOriginal},
  };
  for (const Case& c : cases) {
    WindowHarness app;
    writeBytes(app.pairFile(), kOriginal);
    ASSERT_TRUE(app.start());
    if (c.removed) {
      app.select(app.w().lst置換リスト, 0);
      app.click(app.w().cmd削除);
    } else {
      app.addPair("200-0001", "200-0002");
    }
    EXPECT_TRUE(app.w().pairsChanged());
    app.windows.answerQuestion(c.answer);
    app.form().userCloses();
    ASSERT_EQ(app.messageTexts(), std::vector<std::string>{kAskSave});
    EXPECT_EQ(app.windows.messages()[0].icon, MessageIcon::question);
    EXPECT_EQ(app.form().terminated(), c.closes);
    EXPECT_EQ(app.windows.ended(), c.closes);
    EXPECT_EQ(readBytes(app.pairFile()), c.file);
    if (!c.closes) {
      // The window goes on as it was, and the next close asks again.
      EXPECT_EQ(app.w().lst置換リスト.itemCount(), 2);
      EXPECT_TRUE(app.w().cmd追加.enabled() || app.w().txt置換元.enabled());
      app.windows.answerQuestion(MessageAnswer::no);
      app.form().userCloses();
      EXPECT_TRUE(app.form().terminated());
    }
  }
}

// Saved, or put back as loaded, the list is unchanged again.
TEST_F(CloseTest, ASavedListClosesWithoutAQuestion) {
  h.addPair("200-0001", "200-0002");
  h.windows.answerQuestion(MessageAnswer::cancel);
  h.form().userCloses();
  ASSERT_FALSE(h.form().terminated());
  h.w().SavePairFile();
  EXPECT_FALSE(h.w().pairsChanged());
  h.windows.clearMessages();
  h.form().userCloses();
  EXPECT_TRUE(questions().empty());
  EXPECT_TRUE(h.form().terminated());
  EXPECT_EQ(readBytes(h.pairFile()), "100-0001,100-0002\r\n200-0001,200-0002\r\n");
}

// はい with a list that cannot be written: the user is told and the window stays, edits and all.
TEST_F(CloseTest, ASaveThatFailsKeepsTheWindowOpen) {
  h.addPair("200-0001", "200-0002");
  std::filesystem::remove(h.pairFile());
  std::filesystem::create_directory(h.pairFile());
  h.windows.answerQuestion(MessageAnswer::yes);
  h.form().userCloses();
  const auto texts = h.messageTexts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0], kAskSave);
  EXPECT_EQ(texts[1].rfind("置換リストを保存できませんでした。", 0), 0u) << texts[1];
  EXPECT_FALSE(h.form().terminated());
  EXPECT_FALSE(h.windows.ended());
  EXPECT_EQ(h.w().lst置換リスト.itemCount(), 2);
  EXPECT_TRUE(h.w().pairsChanged());
}

// 終了 saves as it always has and asks nothing.
TEST_F(CloseTest, ExitSavesWithoutAQuestion) {
  h.addPair("200-0001", "200-0002");
  h.click(h.w().cmd終了);
  EXPECT_TRUE(questions().empty());
  EXPECT_TRUE(h.form().terminated());
  EXPECT_EQ(readBytes(h.pairFile()), "100-0001,100-0002\r\n200-0001,200-0002\r\n");
}

// Without a run Esc has nothing to stop.
TEST_F(CloseTest, EscWithoutARunAsksNothing) {
  h.addPair("200-0001", "200-0002");
  h.form().userCancels();
  h.pump();
  EXPECT_TRUE(h.windows.messages().empty());
  EXPECT_FALSE(h.form().terminated());
  EXPECT_EQ(h.w().lst置換リスト.itemCount(), 2);
}

}  // namespace
}  // namespace norvel
