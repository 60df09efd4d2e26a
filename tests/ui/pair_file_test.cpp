#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>

#include "support/window_harness.h"

namespace norvel {
namespace {

using testing::readBytes;
using testing::WindowHarness;
using testing::writeBytes;

std::vector<std::string> lines(FrmNorvel& w) {
  return w.lst置換リスト.items();
}

TEST(PairFile, LoadsTheDefaultFileBesideTheExecutable) {
  WindowHarness h;
  // 郵便 in code page 932, a line without its line end last.
  writeBytes(h.pairFile(),
             "100-0001,100-0002\r\n\r\n,100-0009\r\n\x97\x58\x95\xd6,\x81\x60\r\n"
             "\"1,2\",\"3\"\r\n100-0005,100-0006,100-0007\r\n   \r\n200-0001");
  ASSERT_TRUE(h.start());
  EXPECT_EQ(lines(h.w()),
            (std::vector<std::string>{"100-0001 -> 100-0002", "郵便 -> ～", "1,2 -> 3",
                                      "100-0005 -> 100-0006", "    -> ", "200-0001 -> "}));
  EXPECT_EQ(h.w().pairFilePath(), h.pairFile());
  EXPECT_TRUE(h.w().cmd削除.enabled() == false);
}

TEST(PairFile, BytesThatAreNotCodePage932DoNotStopTheStartUp) {
  WindowHarness h;
  writeBytes(h.pairFile(), "100-0001,\x81\r\n\xff\xfe,x\r\n100-0003,100-0004\r\n");
  ASSERT_TRUE(h.start());
  ASSERT_EQ(h.w().lst置換リスト.itemCount(), 3);
  EXPECT_EQ(h.w().lst置換リスト.items()[2], "100-0003 -> 100-0004");
  EXPECT_NE(h.w().mPairs()->GetItem(1).s02.find("\xEF\xBF\xBD"), std::string::npos);  // U+FFFD
  EXPECT_TRUE(h.windows.messages().empty());
}

TEST(PairFile, CommandLinePathLoadsButSavesToTheDefaultPath) {
  WindowHarness h;
  const std::string other = h.dir.file("other list.csv");
  writeBytes(other, "300-0001,300-0002\r\n");
  writeBytes(h.pairFile(), "old content\r\n");
  h.process.argument = other;
  ASSERT_TRUE(h.start());
  EXPECT_EQ(lines(h.w()), std::vector<std::string>{"300-0001 -> 300-0002"});
  h.click(h.w().cmd終了);
  EXPECT_EQ(readBytes(h.pairFile()), "300-0001,300-0002\r\n");
  EXPECT_EQ(readBytes(other), "300-0001,300-0002\r\n");
}

TEST(PairFile, MissingFileStartsEmptyAndExitCreatesIt) {
  WindowHarness h;
  h.process.argument = h.dir.file("does-not-exist.csv");
  ASSERT_TRUE(h.start());
  EXPECT_EQ(h.w().lst置換リスト.itemCount(), 0);
  EXPECT_TRUE(h.windows.messages().empty());
  h.addPair("100-0001", "100-0002");
  h.click(h.w().cmd終了);
  EXPECT_EQ(readBytes(h.pairFile()), "100-0001,100-0002\r\n");
  EXPECT_FALSE(std::filesystem::exists(h.dir.file("does-not-exist.csv")));
}

TEST(PairFile, SavedBytesInCodePage932WithEveryQuotingForm) {
  WindowHarness h;
  ASSERT_TRUE(h.start());
  const std::vector<std::pair<std::string, std::string>> pairs = {
      {"100-0001", "100-0002"}, {"郵便", "～"}, {"1,2", "3"},     {"1\"2,3", "4"},
      {"1,\"'", "2"},           {"\"1\"", "2"}, {"100-0009", ""}, {"1,2", ""},
  };
  for (const auto& [o, n] : pairs) h.addPair(o, n);
  h.click(h.w().cmd終了);
  EXPECT_EQ(readBytes(h.pairFile()),
            "100-0001,100-0002\r\n"
            "\x97\x58\x95\xd6,\x81\x60\r\n"
            "\"1,2\",\"3\"\r\n"
            "'1\"2,3','4'\r\n"
            "\t1,\"'\t,\t2\t\r\n"
            "\"1\",2\r\n"
            "100-0009,\r\n"
            "\"1,2\",\"\"\r\n");

  // The saved file reads back as the same pairs.
  WindowHarness again;
  std::filesystem::copy_file(h.pairFile(), again.pairFile());
  ASSERT_TRUE(again.start());
  ASSERT_EQ(again.w().mPairs()->GetSize(), static_cast<int>(pairs.size()));
  for (std::size_t i = 0; i < pairs.size(); ++i) {
    EXPECT_EQ(again.w().mPairs()->GetItem(static_cast<int>(i) + 1).s01, pairs[i].first);
    EXPECT_EQ(again.w().mPairs()->GetItem(static_cast<int>(i) + 1).s02, pairs[i].second);
  }
}

TEST(PairFile, FailedSaveKeepsTheOldFileAndSaysSo) {
  WindowHarness h;
  writeBytes(h.pairFile(), "100-0001,100-0002\r\n");
  ASSERT_TRUE(h.start());
  h.addPair("100-0003", "100-0004");
  // Writes beyond one byte fail with EFBIG, as on a full disk.
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit old_limit{};
  getrlimit(RLIMIT_FSIZE, &old_limit);
  rlimit tiny = old_limit;
  tiny.rlim_cur = 1;
  setrlimit(RLIMIT_FSIZE, &tiny);
  h.click(h.w().cmd終了);
  setrlimit(RLIMIT_FSIZE, &old_limit);

  EXPECT_TRUE(h.windows.ended());
  EXPECT_EQ(readBytes(h.pairFile()), "100-0001,100-0002\r\n");
  ASSERT_EQ(h.messageTexts().size(), 1u);
  EXPECT_NE(h.messageTexts()[0].find("置換リストを保存できませんでした。"), std::string::npos);
  EXPECT_NE(h.messageTexts()[0].find(h.pairFile()), std::string::npos);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(h.dir.path()),
                          std::filesystem::directory_iterator()),
            1);  // no temporary file left behind
}

}  // namespace
}  // namespace norvel
