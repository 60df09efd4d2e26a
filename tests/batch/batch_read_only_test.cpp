// norvel-batch on an SQLite file it may only read: --dry-run checks it as it checks a writable
// copy, with the same lines, counts and hints, and leaves it as it was; a real run fails with
// SQLite's text, exits 1 and changes nothing.
#include "batch_test_support.h"

namespace norvel::batch::test {
namespace {

TEST_F(BatchTest, DryRunOfAReadOnlyFilePrintsWhatItPrintsForAWritableCopy) {
  const std::string copy = utf8Name(temp_.path() / "copy.sqlite");
  const std::vector<std::string> lists = {
      "100-0001,100-0091\r\n999-9999,100-0092\r\n100-0003,100-0093\r\n",
      // The old code written without the hyphen: a hint after the summary.
      "1000001,100-0091\r\n100-0004,100-0094\r\n",
      // The second pair breaks the table's CHECK.
      "100-0001,100-0091\r\n100-0003,100-00931\r\n100-0004,100-0094\r\n",
  };
  const auto stamp = stampOf(db_);
  for (const std::string& list : lists) {
    SCOPED_TRACE(list);
    writeBytes(pairs_, list);
    fs::remove(utf8Path(copy));
    fs::copy_file(utf8Path(db_), utf8Path(copy));
    const RunResult writable = runBatch(args({"--db", copy, "--dry-run"}));

    fs::permissions(utf8Path(db_),
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    const RunResult read_only = batch(args({"--db", db_, "--dry-run"}));
    EXPECT_EQ(read_only.exit_code, writable.exit_code);
    EXPECT_EQ(read_only.out, writable.out);
    EXPECT_EQ(read_only.err, writable.err);
    EXPECT_EQ(stampOf(db_), stamp);
    fs::permissions(utf8Path(db_), fs::perms::owner_write, fs::perm_options::add);
  }
  // Checked at all: the first list's counts, the second one's hint, the third one's failure.
  writeBytes(pairs_, lists[0]);
  const std::string summary = "dry run: 1,502件置換しました。 (rolled back, nothing changed)\n";
  fs::permissions(utf8Path(db_), fs::perms::owner_write, fs::perm_options::remove);
  const RunResult counted = batch(args({"--db", db_, "--dry-run"}));
  EXPECT_EQ(counted.exit_code, 0);
  EXPECT_EQ(counted.out, standardStatus("1,500") + summary);
  EXPECT_EQ(counted.err, summary);
  writeBytes(pairs_, lists[1]);
  EXPECT_THAT(batch(args({"--db", db_, "--dry-run"})).err,
              HasSubstr("No row matches pair 1 \"1000001 -> 100-0091\"; the field holds its "
                        "code as \"100-0001\" (2 rows).\n"));
  writeBytes(pairs_, lists[2]);
  const RunResult failing = batch(args({"--db", db_, "--dry-run"}));
  EXPECT_EQ(failing.exit_code, 1);
  EXPECT_THAT(failing.err, StartsWith("CHECK constraint failed"));

  // A real run writes nothing and says why in SQLite's words.
  writeBytes(pairs_, lists[0]);
  const RunResult real = batch(args({"--db", db_}));
  EXPECT_EQ(real.exit_code, 1);
  EXPECT_EQ(real.err, "attempt to write a readonly database\n");
  EXPECT_EQ(real.out, "100-0001->100-0091 ... \n  " + real.err);
  EXPECT_EQ(stampOf(db_), stamp);
  EXPECT_EQ(codes(), kOriginalCodes);
  fs::permissions(utf8Path(db_), fs::perms::owner_write, fs::perm_options::add);
}

}  // namespace
}  // namespace norvel::batch::test
