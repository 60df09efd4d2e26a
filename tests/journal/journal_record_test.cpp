#include "journal/journal_record.h"

#include <gmock/gmock.h>

#include <chrono>

#include "journal/journal_location.h"

namespace norvel {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

JournalRecord sample() {
  JournalRecord record;
  record.source = "Driver={PostgreSQL Unicode};Server=db;Uid=app;Pwd=****;";
  record.table = "顧客, \"本店\"";
  record.field = "郵便番号";
  record.time = "2026-12-09T21:30:05.123Z";
  record.user = "yamada";
  record.identity = {"地域", "番号"};
  record.pairs = {{"100-0001", "100-0002", 2}, {"100-0002", "", 1}};
  record.total = 3;
  record.entries = {
      {0, "100-0001", "100-0002", {"東\r\n西", "1"}},
      {0, "100-0001", "100-0002", {"(NULL)", std::nullopt}},
      {1, "100-0002", std::nullopt, {" 前後 ", "\"2\""}},
  };
  return record;
}

void expectSame(const JournalRecord& a, const JournalRecord& b) {
  EXPECT_EQ(a.source, b.source);
  EXPECT_EQ(a.table, b.table);
  EXPECT_EQ(a.field, b.field);
  EXPECT_EQ(a.time, b.time);
  EXPECT_EQ(a.user, b.user);
  EXPECT_EQ(a.undoes, b.undoes);
  EXPECT_EQ(a.identity, b.identity);
  ASSERT_EQ(a.pairs.size(), b.pairs.size());
  for (std::size_t i = 0; i < a.pairs.size(); ++i) {
    EXPECT_EQ(a.pairs[i].old_code, b.pairs[i].old_code);
    EXPECT_EQ(a.pairs[i].new_code, b.pairs[i].new_code);
    EXPECT_EQ(a.pairs[i].count, b.pairs[i].count);
  }
  EXPECT_EQ(a.total, b.total);
  ASSERT_EQ(a.entries.size(), b.entries.size());
  for (std::size_t i = 0; i < a.entries.size(); ++i) {
    EXPECT_EQ(a.entries[i].pair_index, b.entries[i].pair_index);
    EXPECT_EQ(a.entries[i].old_value, b.entries[i].old_value);
    EXPECT_EQ(a.entries[i].new_value, b.entries[i].new_value);
    EXPECT_EQ(a.entries[i].identity, b.entries[i].identity);
  }
}

// Commas, quotes, line breaks, edge spaces, NULL and a text that reads as the NULL marker all
// come back as they were written; the file opens in a spreadsheet as UTF-8.
TEST(JournalRecordTest, EveryValueComesBackAsWritten) {
  const JournalRecord record = sample();
  const std::string bytes = journalBytes(record);
  EXPECT_THAT(bytes, StartsWith("\xEF\xBB\xBFnorvel run journal,1\r\n"));
  EXPECT_THAT(bytes, HasSubstr("\r\ntable,\"顧客, \"\"本店\"\"\"\r\n"));
  EXPECT_THAT(bytes, HasSubstr("\r\n2,100-0002,(NULL),\" 前後 \",\"\"\"2\"\"\"\r\n"));
  expectSame(parseJournal(bytes), record);

  JournalRecord counts_only = record;
  counts_only.identity.clear();
  counts_only.entries.clear();
  counts_only.undoes = "20261209T213005.123Z 顧客.郵便番号.csv";
  const JournalRecord read = parseJournal(journalBytes(counts_only));
  EXPECT_FALSE(read.undoable());
  expectSame(read, counts_only);
}

// Anything short of a whole journal is refused, naming the line.
TEST(JournalRecordTest, IncompleteOrForeignFilesAreRefused) {
  const std::string bytes = journalBytes(sample());
  const std::vector<std::pair<std::string, std::string>> cases = {
      {bytes.substr(0, bytes.rfind("end,")), "cut short before its end line"},
      {bytes.substr(0, bytes.find("\r\n1,100-0001")), "cut short before its end line"},
      {bytes.substr(0, bytes.rfind("\"東")) + "\"東", "a quoted field is not closed"},
      {"郵便番号,町域\r\n100-0001,千代田\r\n", "not a norvel run journal"},
      {"", "not a norvel run journal"},
  };
  for (const auto& [text, why] : cases) {
    try {
      parseJournal(text);
      ADD_FAILURE() << "accepted: " << why;
    } catch (const JournalFormatError& error) {
      EXPECT_THAT(error.what(), HasSubstr(why));
      EXPECT_THAT(error.what(), StartsWith("line "));
    }
  }
}

TEST(JournalLocationTest, NamesSortByTimeAndSayWhichTableAndField) {
  const auto time = std::chrono::sys_days{std::chrono::December / 9 / 2026} +
                    std::chrono::hours{21} + std::chrono::minutes{30} +
                    std::chrono::milliseconds{5123};
  EXPECT_EQ(journalFileName(time, "住所", "郵便番号"), "20261209T213005.123Z 住所.郵便番号.csv");
  EXPECT_EQ(journalFileName(time, "Sheet1$/a:b", "F1"), "20261209T213005.123Z Sheet1$_a_b.F1.csv");
  EXPECT_EQ(journalTimeText(time), "2026-12-09T21:30:05.123Z");

  const auto env = [](std::optional<std::string> state, std::optional<std::string> home) {
    return [=](const char* name) -> std::optional<std::string> {
      const std::string key = name;
      if (key == "XDG_STATE_HOME") return state;
      if (key == "HOME") return home;
      if (key == "LOCALAPPDATA") return home;
      return std::nullopt;
    };
  };
#if defined(_WIN32)
  EXPECT_EQ(defaultJournalFolder(env("/s", "C:\\Users\\u\\AppData\\Local")),
            "C:\\Users\\u\\AppData\\Local\\norvel\\runs");
  EXPECT_EQ(defaultJournalFolder(env(std::nullopt, std::nullopt)), "");
#else
  EXPECT_EQ(defaultJournalFolder(env("/s", "/h")), "/s/norvel/runs");
  // A relative XDG_STATE_HOME is ignored, as the base directory rules say.
  EXPECT_EQ(defaultJournalFolder(env("s", "/h")), "/h/.local/state/norvel/runs");
  EXPECT_EQ(defaultJournalFolder(env(std::nullopt, std::nullopt)), "");
#endif
}

}  // namespace
}  // namespace norvel
