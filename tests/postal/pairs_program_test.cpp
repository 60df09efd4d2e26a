#include <cstdlib>
#include <map>
#include <set>

#include "batch/batch_test_support.h"
#include "ken_all_fixture.h"
#include "norvel_version.h"
#include "platform/native/native_platform.h"
#include "postal/code_changes.h"

namespace norvel::postal::test {
namespace {

using batch::test::BatchTest;
using batch::test::readBytes;
using batch::test::runProgram;
using batch::test::RunResult;
using batch::test::sql;
using batch::test::writeBytes;
using ::testing::ContainsRegex;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

RunResult pairsProgram(const std::vector<std::string>& args) {
  return runProgram(NORVEL_PAIRS_PROGRAM, args);
}

const std::vector<AddressRecord>& realList() {
  static const std::vector<AddressRecord> records = readJpPostal2022(NORVEL_POSTAL_CSV);
  return records;
}

// The real list with known changes injected.
struct EditedList {
  std::vector<AddressRecord> records;
  std::vector<CodePair> pairs;                 // the clean moves, by old code
  std::map<std::string, std::string> reasons;  // old code -> reason label of the others
};

EditedList editedCopy(const std::vector<AddressRecord>& original) {
  std::map<std::string, std::vector<std::size_t>> rows_of_code;
  std::map<std::string, std::set<std::string>> codes_of_key;
  std::map<std::string, std::set<std::string>> prefectures_of_code;
  std::map<std::string, std::set<std::string>> cities;  // city -> its codes
  const auto key = [](const AddressRecord& r) {
    return r.prefecture + "|" + r.city + "|" + r.town;
  };
  for (std::size_t i = 0; i < original.size(); ++i) {
    const AddressRecord& r = original[i];
    rows_of_code[r.code].push_back(i);
    codes_of_key[key(r)].insert(r.code);
    prefectures_of_code[r.code].insert(r.prefecture);
    cities[r.prefecture + r.city].insert(r.code);
  }
  // Codes whose addresses carry no other code and lie in one prefecture: their moves are clean.
  std::vector<std::string> plain;
  for (const auto& [code, rows] : rows_of_code) {
    bool own = prefectures_of_code[code].size() == 1;
    for (std::size_t row : rows) own = own && codes_of_key[key(original[row])].size() == 1;
    if (own) plain.push_back(code);
  }
  std::set<std::string> used;
  for (const auto& [code, rows] : rows_of_code) used.insert(code);
  const auto fresh = [&](const std::string& code) {
    for (int n = 9999;; --n) {
      std::string candidate = code.substr(0, 3) + std::to_string(n);
      if (used.insert(candidate).second) return candidate;
    }
  };

  EditedList edited{original, {}, {}};
  std::set<std::string> touched;
  const auto moveAll = [&](const std::string& from, const std::string& to) {
    for (std::size_t row : rows_of_code[from]) edited.records[row].code = to;
    touched.insert(from);
  };
  // One municipality renamed: every town of its codes is then unmatched.
  for (const auto& [city, codes] : cities) {
    if (codes.size() != 2) continue;
    bool own = true;
    for (const std::string& code : codes) {
      own = own && std::find(plain.begin(), plain.end(), code) != plain.end();
    }
    if (!own) continue;
    for (const std::string& code : codes) {
      for (std::size_t row : rows_of_code[code]) edited.records[row].city += "新";
      edited.reasons[code] = "town not matched";
      touched.insert(code);
    }
    break;
  }
  std::vector<std::string> candidates;
  for (const std::string& code : plain) {
    if (!touched.contains(code)) candidates.push_back(code);
  }
  std::size_t pick = 0;
  const auto next = [&](std::size_t min_rows) {
    for (pick += 997;; ++pick) {
      const std::string& code = candidates.at(pick % candidates.size());
      if (!touched.contains(code) && rows_of_code[code].size() >= min_rows) return code;
    }
  };
  for (int i = 0; i < 40; ++i) {  // clean moves, some of several towns
    const std::string from = next(i % 4 == 0 ? 2 : 1);
    const std::string to = fresh(from);
    moveAll(from, to);
    edited.pairs.push_back({from, to});
  }
  for (int i = 0; i < 3; ++i) {  // part of the towns moved
    const std::string from = next(2);
    edited.records[rows_of_code[from].front()].code = fresh(from);
    touched.insert(from);
    edited.reasons[from] = "split";
  }
  for (int i = 0; i < 2; ++i) {  // two codes of one prefecture become one
    const std::string a = next(1);
    std::string b = a;
    for (std::size_t k = 1; b == a; ++k) {
      const std::string& c = candidates.at((pick + k) % candidates.size());
      const bool same = *prefectures_of_code[c].begin() == *prefectures_of_code[a].begin();
      if (same && !touched.contains(c)) b = c;
    }
    const std::string to = fresh(a);
    moveAll(a, to);
    moveAll(b, to);
    edited.reasons[a] = edited.reasons[b] = "merged";
  }
  const std::string gone = next(1);  // abolished
  std::set<std::size_t> dropped(rows_of_code[gone].begin(), rows_of_code[gone].end());
  edited.reasons[gone] = "abolished";
  std::vector<AddressRecord> kept;
  for (std::size_t row = 0; row < edited.records.size(); ++row) {
    if (!dropped.contains(row)) kept.push_back(edited.records[row]);
  }
  edited.records = std::move(kept);
  std::sort(edited.pairs.begin(), edited.pairs.end(),
            [](const CodePair& a, const CodePair& b) { return a.old_code < b.old_code; });
  return edited;
}

const EditedList& editedRealList() {
  static const EditedList edited = editedCopy(realList());
  return edited;
}

std::map<std::string, std::string> reasonsOf(const Comparison& result) {
  std::map<std::string, std::string> reasons;
  for (const Finding& f : result.findings) reasons[f.old_code] = reasonLabel(f.reason);
  return reasons;
}

class PairsProgramTest : public BatchTest {
 protected:
  NativeCodePage932 code_page_;
};

TEST_F(PairsProgramTest, TheRealListAgainstItselfChangesNothing) {
  const Comparison result = compareSnapshots(realList(), realList());
  EXPECT_THAT(result.pairs, IsEmpty());
  EXPECT_THAT(result.findings, IsEmpty());
}

TEST_F(PairsProgramTest, FindsExactlyTheChangesInjectedIntoTheRealList) {
  const EditedList& edited = editedRealList();
  ASSERT_EQ(edited.pairs.size(), 40u);
  const Comparison result = compareSnapshots(realList(), edited.records);
  EXPECT_THAT(result.pairs, ElementsAreArray(edited.pairs));
  EXPECT_EQ(reasonsOf(result), edited.reasons);
}

// The old list as KEN_ALL.CSV (code page 932, long names over several lines) in a zip, the new
// one as utf_ken_all.csv; the pair list applied by norvel-batch to a table of the old addresses
// leaves every address on its code in the new list, except the codes the report names.
TEST_F(PairsProgramTest, TheProposedListAppliedByNorvelBatchGivesTheNewCodes) {
  const EditedList& edited = editedRealList();
  writeBytes(file("KEN_ALL.CSV"), kenAllCp932(realList(), code_page_, 12));
  writeBytes(file("utf_ken_all.csv"), utfKenAll(edited.records));
  ASSERT_EQ(std::system((std::string(NORVEL_PYTHON3) +
                         " -c \"import zipfile,sys; "
                         "zipfile.ZipFile(sys.argv[1],'w',zipfile.ZIP_DEFLATED).write(sys.argv[2],"
                         "'KEN_ALL.CSV')\" '" +
                         file("ken_all (1).zip") + "' '" + file("KEN_ALL.CSV") + "'")
                            .c_str()),
            0);

  const RunResult run = pairsProgram({file("ken_all (1).zip"), file("utf_ken_all.csv"), "--out",
                                      file("pairs.csv"), "--report", file("report.csv")});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_THAT(run.err, HasSubstr("(KEN_ALL.CSV): code page 932, 126,431 addresses ("));
  EXPECT_THAT(run.err, HasSubstr("lines, long town names joined)"));
  EXPECT_THAT(run.err, HasSubstr("utf_ken_all.csv: UTF-8, "));
  EXPECT_THAT(run.err, HasSubstr("40 pairs written to " + file("pairs.csv")));
  EXPECT_THAT(run.err, ContainsRegex("  split +3\n"));
  EXPECT_THAT(run.err, ContainsRegex("  merged +4\n"));
  EXPECT_THAT(run.err, ContainsRegex("  abolished +1\n"));
  std::string expected_list;
  for (const CodePair& p : edited.pairs) expected_list += p.old_code + "," + p.new_code + "\r\n";
  EXPECT_EQ(readBytes(file("pairs.csv")), expected_list);
  EXPECT_THAT(readBytes(file("report.csv")),
              StartsWith("\xEF\xBB\xBFreason,old code,new code,prefecture,old address"));

  const std::string db = file("round-trip.sqlite");
  std::string inserts = "CREATE TABLE 住所 (id INTEGER PRIMARY KEY, 郵便番号 TEXT);BEGIN;";
  for (std::size_t i = 0; i < realList().size(); ++i) {
    inserts += "INSERT INTO 住所 VALUES (" + std::to_string(i) + ",'" + realList()[i].code + "');";
  }
  sql(db, inserts + "COMMIT;");
  const RunResult batch =
      batch::test::runBatch({"--db", db, "--table", "住所", "--field", "郵便番号", "--pairs",
                             file("pairs.csv"), "--quiet"});
  ASSERT_EQ(batch.exit_code, 0) << batch.err;

  // The edited copy keeps the original's order, less the abolished code's rows.
  std::map<std::string, std::set<std::string>> new_codes_of;  // address -> codes in the new list
  for (const AddressRecord& r : edited.records) {
    new_codes_of[r.prefecture + r.city + r.town].insert(r.code);
  }
  std::string rows = sql(db, "SELECT 郵便番号 FROM 住所 ORDER BY id");
  std::size_t stale = 0, moved = 0;
  for (std::size_t i = 0, start = 0; i < realList().size(); ++i) {
    const std::size_t end = rows.find('\n', start);
    const std::string code = rows.substr(start, end - start);
    start = end + 1;
    const AddressRecord& r = realList()[i];
    const auto now = new_codes_of.find(r.prefecture + r.city + r.town);
    if (code != r.code) ++moved;
    if (now == new_codes_of.end() || !now->second.contains(code)) {
      ++stale;
      EXPECT_TRUE(edited.reasons.contains(r.code)) << r.code << " " << r.city << r.town;
    }
  }
  EXPECT_GE(moved, 50u);
  EXPECT_GT(stale, 0u);
}

// The two editions as Japan Post publishes them, from their first lines: KEN_ALL.CSV in its zip,
// whose first record's readings happen to start with two bytes of UTF-8, and utf_ken_all.csv
// with one address moved.
TEST_F(PairsProgramTest, TheRealFirstLinesOfBothEditionsGiveTheirPair) {
  std::vector<AddressRecord> moved = realList();
  for (AddressRecord& r : moved) {
    if (r.code == "0600001") r.code = "0609999";
  }
  writeBytes(file("KEN_ALL.CSV"), code_page_.encode(kenAllFirstLines(realList(), 12)));
  writeBytes(file("utf_ken_all.csv"), kenAllFirstLines(moved, 12));
  ASSERT_EQ(std::system((std::string(NORVEL_PYTHON3) +
                         " -c \"import zipfile,sys; "
                         "zipfile.ZipFile(sys.argv[1],'w',zipfile.ZIP_DEFLATED).write(sys.argv[2],"
                         "'KEN_ALL.CSV')\" '" +
                         file("ken_all.zip") + "' '" + file("KEN_ALL.CSV") + "'")
                            .c_str()),
            0);
  for (const std::string& old_list : {file("KEN_ALL.CSV"), file("ken_all.zip")}) {
    const RunResult run = pairsProgram({old_list, file("utf_ken_all.csv"), "--out",
                                        file("pairs.csv"), "--report", file("report.csv")});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_THAT(run.err, HasSubstr(old_list + (old_list.ends_with(".zip") ? " (KEN_ALL.CSV)" : "") +
                                   ": code page 932, 12 addresses\n"));
    EXPECT_THAT(run.err, HasSubstr("utf_ken_all.csv: UTF-8, 12 addresses\n"));
    EXPECT_THAT(run.err, HasSubstr("1 pair written to "));
    EXPECT_EQ(readBytes(file("pairs.csv")), "0600001,0609999\r\n");
  }
}

TEST_F(PairsProgramTest, MonthlyChangeFilesGiveTheirPairs) {
  const std::vector<AddressRecord> deleted = {{"1000001", "東京都", "千代田区", "千代田"},
                                              {"1000002", "東京都", "千代田区", "皇居外苑"}};
  const std::vector<AddressRecord> added = {{"1000091", "東京都", "千代田区", "千代田"},
                                            {"1000002", "東京都", "千代田区", "皇居外苑"}};
  writeBytes(file("DEL_2301.CSV"), kenAllCp932(deleted, code_page_));
  writeBytes(file("utf_add_2301.csv"), utfKenAll(added));
  const RunResult run =
      pairsProgram({"--changes", file("DEL_2301.CSV"), file("utf_add_2301.csv"), "--hyphen",
                    "--out", file("p.csv"), "--report", file("r.csv")});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_THAT(run.err,
              HasSubstr("withdrawn " + file("DEL_2301.CSV") + ": code page 932, 2 addresses"));
  EXPECT_THAT(run.err, HasSubstr("no other code changed"));
  EXPECT_EQ(readBytes(file("p.csv")), "100-0001,100-0091\r\n");
}

TEST_F(PairsProgramTest, BadInputGetsAClearMessageAndWritesNothing) {
  const std::vector<AddressRecord> list = {{"1000001", "東京都", "千代田区", "千代田"}};
  writeBytes(file("old.csv"), utfKenAll(list));
  const std::string real = readBytes(NORVEL_POSTAL_CSV);
  writeBytes(file("three-columns.csv"), real.substr(0, real.find('\n', 2000) + 1));
  writeBytes(file("latin1.csv"), "00000,\"100  \",\"1000001\",\"\xA0\xFD\",,,,,,,,,,,\r\n");
  writeBytes(file("empty.zip"), std::string("PK\x05\x06", 4) + std::string(18, '\0'));
  writeBytes(file("broken.zip"), std::string("PK\x03\x04", 4) + "not really a zip");
  const struct {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{file("old.csv")}, "two lists are needed"},
      {{file("old.csv"), file("missing.csv")}, file("missing.csv") + ": No such file or directory"},
      {{file("old.csv"), file("three-columns.csv")},
       "three-columns.csv: line 1 is not a Japan Post address record"},
      {{file("latin1.csv"), file("old.csv")}, "neither UTF-8 nor code page 932"},
      {{file("old.csv"), file("empty.zip")}, "empty.zip: the zip archive holds no .csv file"},
      {{file("old.csv"), file("broken.zip")}, "broken.zip: zip archive: "},
      {{file("old.csv"), dir_.string()}, dir_.string() + ": Is a directory"},
      {{"--changes", file("old.csv")}, "old.csv: the name does not tell whether it lists"},
      {{file("old.csv"), file("old.csv"), "--out", file("old.csv")},
       file("old.csv") + " is an input: it is never overwritten"},
      {{file("old.csv"), file("old.csv"), "--report", file("x.csv"), "--out", file("x.csv")},
       "--out and --report name the same file"},
  };
  for (const auto& c : cases) {
    const auto before = batch::test::listDirectory(dir_);
    const std::string old_bytes = readBytes(file("old.csv"));
    std::vector<std::string> args = c.args;
    if (std::find(args.begin(), args.end(), "--out") == args.end()) {
      args.insert(args.end(), {"--out", file("out.csv")});
    }
    if (std::find(args.begin(), args.end(), "--report") == args.end()) {
      args.insert(args.end(), {"--report", file("report.csv")});
    }
    const RunResult run = pairsProgram(args);
    EXPECT_EQ(run.exit_code, 2) << c.message;
    EXPECT_THAT(run.err, HasSubstr(c.message));
    EXPECT_EQ(batch::test::listDirectory(dir_), before) << c.message;
    EXPECT_EQ(readBytes(file("old.csv")), old_bytes);
  }
}

TEST_F(PairsProgramTest, AnOutputThatCannotBeWrittenFailsWithTheSystemsText) {
  const std::vector<AddressRecord> list = {{"1000001", "東京都", "千代田区", "千代田"}};
  writeBytes(file("old.csv"), utfKenAll(list));
  const RunResult run = pairsProgram({file("old.csv"), file("old.csv"), "--out",
                                      file("no-such-dir/pairs.csv"), "--report", file("r.csv")});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_THAT(run.err, HasSubstr("No such file or directory"));
}

TEST_F(PairsProgramTest, HelpNamesTheDefaults) {
  const RunResult run = pairsProgram({"--help"});
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_THAT(run.out, HasSubstr("default: pairs.csv"));
  EXPECT_THAT(run.out, HasSubstr("default: pairs-report.csv"));
  EXPECT_THAT(run.out, HasSubstr("norvel-pairs --changes del_YYMM.csv add_YYMM.csv"));
}

TEST_F(PairsProgramTest, VersionNeedsNoLists) {
  const RunResult run = pairsProgram({"--version"});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out, "norvel-pairs " NORVEL_VERSION "\n");
  EXPECT_EQ(run.err, "");
}

}  // namespace
}  // namespace norvel::postal::test
