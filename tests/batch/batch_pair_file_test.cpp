#include "app/batch/output_sinks.h"
#include "batch_test_support.h"

namespace norvel::batch::test {
namespace {

using namespace std::string_literals;

TEST_F(BatchTest, LoneCrLineEndsSeparateThePairs) {
  writeBytes(pairs_, "100-0001,100-0091\r999-9999,100-0092\r100-0003,100-0093");
  const RunResult run = batch(args({"--db", db_}));
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out, standardStatus("1,500") + "1,502件置換しました。\n");
  EXPECT_EQ(codes(), kReplacedCodes);
}

// A warning at start-up ends the batch before it connects; the terminal never gets the raw
// control characters of the file or of its name.
TEST_F(BatchTest, PairFilesTheWindowRefusesExitTwoWithTheirMessageShownSafely) {
#if defined(_WIN32)
  // Windows file names cannot hold control characters: the UTF-16 list has a plain name there.
  const std::string hostile_name = file("list.csv"), shown_name = hostile_name;
#else
  const std::string hostile_name = file("list\x1b]0;owned\x07.csv");
  const std::string shown_name = file("list\\x1b]0;owned\\x07.csv");
#endif
  const std::string utf16 =
      "\xFF\xFE"
      "1\0000\0000\000-\0000\0000\0000\0001\000"s;
  const std::string before = readBytes(db_);
  for (const auto& [path, bytes, err] :
       std::vector<std::tuple<std::string, std::string, std::string>>{
           {pairs_, "100-0001,100-0091\r\n100-\x1b[2J0003,100-0093\r\n100-0004\t,1\r\n",
            "Codes with control characters cannot be in the pair list.\nLines 2, 3 of " + pairs_ +
                " were not read.\n"},
           {hostile_name, utf16,
            shown_name + " is saved as UTF-16 and cannot be read.\n"
                         "Save it again as code page 932 (Shift-JIS) or UTF-8.\n"}}) {
    writeBytes(path, bytes);
    const RunResult run = batch(args({"--db", db_}, path));
    EXPECT_EQ(run.exit_code, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, err);
  }
  EXPECT_EQ(readBytes(db_), before);
}

TEST(TerminalText, ControlCharactersAreShownEscapedAndLineEndsStay) {
  for (const auto& [text, shown] : std::vector<std::pair<std::string, std::string>>{
           {"100-0001->100-0002 ... \r\n", "100-0001->100-0002 ... \n"},
           {"a\r\nb\nc", "a\nb\nc"},
           {"Z010000\r0010010->x ... \r\n", "Z010000\\r0010010->x ... \n"},
           {"\x1b[31m\t\x7f\0\r"s, "\\x1b[31m\\t\\x7f\\x00\\r"},
           {"\r\r\n", "\\r\n"},
           {"郵便～\n", "郵便～\n"},
       }) {
    EXPECT_EQ(terminalText(text), shown);
  }
}

}  // namespace
}  // namespace norvel::batch::test
