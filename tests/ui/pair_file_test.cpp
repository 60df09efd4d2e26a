#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <sys/resource.h>
#endif

#include <csignal>

#include "support/window_harness.h"

namespace norvel {
namespace {

using testing::readBytes;
using testing::WindowHarness;
using testing::writeBytes;
using namespace std::string_literals;

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

TEST(PairFile, LoneCrEndsALineAndCodesWithControlCharactersAreRefusedByLine) {
  WindowHarness h;
  // An old Mac file, then lines with an escape, a tab and a NUL in a code; the tabs of the
  // tab-quoted line are its quoting.
  writeBytes(h.pairFile(),
             "Z010000\r0010010,0010011\r100-0001,100-0002\n\"a\tb\",x\r\n"
             "100-\x1b[31m,1\r\n\t100-0003\t,\t100-0004\t\r\n100-0005,5\0\r\n,\x1b\r\n"s);
  ASSERT_TRUE(h.start());
  EXPECT_EQ(lines(h.w()),
            (std::vector<std::string>{"Z010000 -> ", "0010010 -> 0010011", "100-0001 -> 100-0002",
                                      "100-0003 -> 100-0004"}));
  EXPECT_EQ(h.w().mPairs()->GetSize(), 4);
  EXPECT_EQ(h.messageTexts(),
            std::vector<std::string>{"制御文字を含むコードは置換リストに登録できません。\r\n" +
                                     h.pairFile() + " の 4, 5, 7 行目は読み込まれていません。"});
  EXPECT_EQ(h.windows.messages()[0].icon, MessageIcon::warning);
}

TEST(PairFile, ManyRefusedLinesAreCountedBeyondTheFirstTen) {
  WindowHarness h;
  std::string text = "100-0001,100-0002\r\n";
  for (int i = 0; i < 12; ++i) text += "100-0003\t,100-0004\r\n";
  writeBytes(h.pairFile(), text);
  ASSERT_TRUE(h.start());
  EXPECT_EQ(lines(h.w()), std::vector<std::string>{"100-0001 -> 100-0002"});
  ASSERT_EQ(h.messageTexts().size(), 1u);
  EXPECT_NE(h.messageTexts()[0].find(" の 2, 3, 4, 5, 6, 7, 8, 9, 10, 11 行目ほか 2 行は"),
            std::string::npos);
}

TEST(PairFile, Utf8WithByteOrderMarkLoadsAndSavesAsCodePage932) {
  WindowHarness h;
  writeBytes(h.pairFile(), "\xEF\xBB\xBF郵便,～\r\n100-0001,100-\xFF\r\n");
  ASSERT_TRUE(h.start());
  EXPECT_EQ(lines(h.w()), (std::vector<std::string>{"郵便 -> ～", "100-0001 -> 100-\uFFFD"}));
  EXPECT_TRUE(h.windows.messages().empty());
  h.click(h.w().cmd終了);
  EXPECT_EQ(readBytes(h.pairFile()), "\x97\x58\x95\xd6,\x81\x60\r\n100-0001,100-?\r\n");
}

TEST(PairFile, Utf16IsRefusedWithAMessageAndLoadsNothing) {
  const std::string utf16 = "1\0000\0000\000-\0000\0000\0000\0001\000\r\000\n\000"s;
  for (const std::string& bytes : {"\xFF\xFE" + utf16, utf16}) {
    WindowHarness h;
    writeBytes(h.pairFile(), bytes);
    ASSERT_TRUE(h.start());
    EXPECT_EQ(h.w().lst置換リスト.itemCount(), 0);
    EXPECT_EQ(h.w().mPairs()->GetSize(), 0);
    EXPECT_EQ(h.messageTexts(),
              std::vector<std::string>{h.pairFile() +
                                       " は UTF-16 で保存されているため読み込めません。\r\n"
                                       "コードページ 932（Shift-JIS）または UTF-8 "
                                       "で保存し直してください。"});
    EXPECT_TRUE(h.w().txt置換元.enabled());
  }
}

// Exit saves what the window holds; whatever it could not load stays in a copy of the old file.
TEST(PairFile, LinesTheWindowCouldNotLoadAreKeptInABackupAtExit) {
  for (const std::string& bytes : {"\xFF\xFE"s + "1\0000\000\r\000\n\000"s,
                                   "100-0001,100-0002\r\n100-\x1b,1\r\n"s, "100-0001,\x81\r\n"s}) {
    WindowHarness h;
    writeBytes(h.pairFile(), bytes);
    ASSERT_TRUE(h.start());
    h.click(h.w().cmd終了);
    EXPECT_EQ(readBytes(h.pairFile() + ".bak"), bytes);
  }
  WindowHarness clean;
  writeBytes(clean.pairFile(), "100-0001,100-0002\r\n");
  ASSERT_TRUE(clean.start());
  clean.click(clean.w().cmd終了);
  EXPECT_FALSE(std::filesystem::exists(clean.pairFile() + ".bak"));
}

// Installed, the program keeps its list in the user's config folder, made on the first save.
TEST(PairFile, AnInstalledProgramKeepsItsListInTheUsersConfigFolder) {
  WindowHarness h;
  h.process.installed_bin = h.dir.path().string();
  h.process.config_directory = h.dir.file("config");
  const std::string list = h.dir.file("config/norvel/norvel.csv");
  ASSERT_TRUE(h.start());
  EXPECT_EQ(h.w().pairFilePath(), list);
  h.addPair("1000001", "1000002");
  h.click(h.w().cmd終了);
  EXPECT_EQ(readBytes(list), "1000001,1000002\r\n");
  EXPECT_FALSE(std::filesystem::exists(h.pairFile()));

  // The next start reads it back.
  WindowHarness again;
  again.process.installed_bin = again.dir.path().string();
  again.process.config_directory = h.dir.file("config");
  ASSERT_TRUE(again.start());
  EXPECT_EQ(lines(again.w()), std::vector<std::string>{"1000001 -> 1000002"});
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
#if defined(_WIN32)
  GTEST_SKIP() << "a full disk is simulated with RLIMIT_FSIZE, which Windows has not";
#else
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
#endif
}

}  // namespace
}  // namespace norvel
