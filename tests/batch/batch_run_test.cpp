#include "batch_test_support.h"
#if defined(_WIN32)
#include "platform/win32/win32_text.h"
#endif

namespace norvel::batch::test {
namespace {

using namespace std::chrono_literals;
using Args = std::vector<std::string>;

// Under Wine the host's SQLite3 ODBC driver is reached through Wine's odbc32, which hands it
// "C:\…" paths it cannot open. kNoSuchFile: what the system says of a file that is not there,
// as norvel-batch passes it on.
#if defined(_WIN32)
constexpr bool kSqliteOdbcDriver = false;
const std::string kNoSuchFile = win32::systemErrorText(ERROR_FILE_NOT_FOUND);
#else
constexpr bool kSqliteOdbcDriver = true;
const std::string kNoSuchFile = "No such file or directory";
#endif

TEST(BatchCli, HelpExitsZeroAndUsageErrorsExitTwo) {
  const RunResult help = runBatch({"--help"});
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_THAT(help.out, HasSubstr("--oracle USER [HOST] |\n                     --connect STRING"));
  for (const auto& [args, reason] : std::vector<std::pair<Args, std::string>>{
           {{"--table", "t", "--field", "f"}, "one data source is required"},
           {{"--db", "a", "--connect", "DSN=x", "--table", "t", "--field", "f"}, "excludes"},
           {{"--db", "a", "--field", "f"}, "--table is required"},
           {{"--db", "a", "--no-header", "--table", "t", "--field", "f"}, "requires --xls"},
           {{"--db", "a", "--table", "t", "--field", "f", "--password", "x"}, "--password"}}) {
    const RunResult run = runBatch(args);
    EXPECT_EQ(run.exit_code, 2) << reason;
    EXPECT_EQ(run.out, "") << reason;
    EXPECT_THAT(run.err, HasSubstr(reason));
  }
}

// The SQLite3 ODBC driver is ANSI-only and converts through the locale: under the C locale the
// Japanese names survive only because norvel-batch falls back to C.UTF-8.
TEST_F(BatchTest, DryRunPrintsTheCountsOfTheRealRunAndOnlyRealRunsChangeData) {
  const std::string original = readBytes(db_);
  const std::string real = "1,502件置換しました。\n";
  const std::string dry = "dry run: 1,502件置換しました。 (rolled back, nothing changed)\n";
  for (const auto& [source, status, summary] : std::vector<std::tuple<Args, bool, std::string>>{
           {{"--db", db_}, true, real},
           {{"--db", db_, "--dry-run"}, true, dry},
           {{"--db", db_, "--quiet"}, false, real},
           {{"--connect", "Driver={SQLite3};Database=" + db_}, true, real}}) {
    if (source[0] == "--connect" && !kSqliteOdbcDriver) continue;
    writeBytes(db_, original);
    const RunResult run = batch(args(source), {{"LC_ALL", "C"}, {"LANG", {}}});
    EXPECT_EQ(run.exit_code, 0) << source[1];
    EXPECT_EQ(run.out, (status ? standardStatus("1,500") : "") + summary);
    EXPECT_EQ(run.err, summary);
    EXPECT_EQ(codes(), summary == dry ? kOriginalCodes : kReplacedCodes) << source[1];
    EXPECT_EQ(readBytes(db_) == original, summary == dry) << source[1];
  }
}

// "norvel-batch … 2>&1 | less", "… >run.log 2>&1": stdout and stderr are one pipe or one file,
// and the summary, written to both (for scripts and for the eye), shows there once.
TEST_F(BatchTest, SummaryShowsOnceWhereStdoutAndStderrAreOne) {
  if (!kTerminalAndSignals) GTEST_SKIP() << "no POSIX shell to redirect with";
  const std::string dry = "dry run: 1,502件置換しました。 (rolled back, nothing changed)\n";
  const std::string log = (temp_.path() / "run.log").string();
  for (const auto& [quiet, into_file] :
       std::vector<std::pair<bool, bool>>{{false, false}, {true, false}, {false, true}}) {
    Args command = {"-c",
                    into_file ? "exec \"$0\" \"$@\" >\"$LOG\" 2>&1" : "exec \"$0\" \"$@\" 2>&1",
                    NORVEL_BATCH_PROGRAM};
    for (const std::string& arg : args({"--db", db_, "--dry-run"})) command.push_back(arg);
    if (quiet) command.push_back("--quiet");
    const RunResult run = runProgram(
        "/bin/sh", command,
        {{"LOG", log}, {"LC_ALL", std::nullopt}, {"LANGUAGE", std::nullopt}, {"LANG", "C.UTF-8"}});
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(into_file ? readBytes(log) : run.out, (quiet ? "" : standardStatus("1,500")) + dry)
        << quiet << into_file;
    EXPECT_EQ(run.err, "");
  }
  EXPECT_EQ(codes(), kOriginalCodes);
}

TEST_F(BatchTest, FailingPairRollsBackEveryPairAndExitsOne) {
  // The second pair breaks the table's CHECK; the third is never attempted.
  writeBytes(pairs_, "100-0001,100-0091\r\n100-0003,100-00931\r\n100-0004,100-0094\r\n");
  const std::string failing = statusLines("100-0001", "100-0091", "2") + "100-0003->100-00931";
  const std::string before = readBytes(db_);
  for (const auto& [source, locked, out, err] :
       std::vector<std::tuple<Args, bool, std::string, std::string>>{
           {{"--db", db_}, false, failing, "CHECK constraint failed"},
           {{"--db", db_, "--dry-run"}, false, failing, "CHECK constraint failed"},
           {{"--db", db_, "--quiet"}, false, "", "CHECK constraint failed"},
           // Another writer holds the file for longer than the wait: nothing is attempted.
           {{"--db", db_}, true, "", "database is locked"}}) {
    std::shared_ptr<sqlite3> lock;
    if (locked) sql(db_, "BEGIN IMMEDIATE", &lock);
    const RunResult run = batch(args(source));
    EXPECT_EQ(run.exit_code, 1) << err;
    EXPECT_THAT(run.err, StartsWith(err));
    // The failing pair's status line carries the message; no summary follows.
    EXPECT_EQ(run.out, out.empty() ? "" : out + " ... \n  " + run.err);
    EXPECT_THAT(run.err, Not(HasSubstr("件置換しました")));
    EXPECT_EQ(readBytes(db_), before);
  }
  EXPECT_EQ(codes(), kOriginalCodes);
}

TEST_F(BatchTest, UnusableTargetsExitTwoNamingTheProblem) {
  const std::string missing = file("missing.sqlite");
  const std::string no_tables = file("empty.sqlite"), no_pairs = file("empty.csv");
  sql(no_tables, "CREATE TABLE t (x); DROP TABLE t;");
  writeBytes(no_pairs, ",100-0001\r\n\r\n");
  const std::string before = readBytes(db_);
  const std::string not_opened = "Cannot open the database\nProvider=";
  for (const auto& [arguments, err] : std::vector<std::pair<Args, std::string>>{
           {{"--db", db_, "--table", "kunden", "--field", "plz", "--pairs", pairs_},
            "norvel-batch: no table \"kunden\"; the tables are:\n  住所\n  顧客\n  Kunden\n"},
           // Blanks, quotes and backslashes reach the program as typed (on Windows, through
           // the quoting of its command line).
           {{"--db", db_, "--table", "a \"b\\\" c\\", "--field", "plz", "--pairs", pairs_},
            "norvel-batch: no table \"a \"b\\\" c\\\"; the tables are:\n  住所\n  顧客\n  "
            "Kunden\n"},
           {{"--db", db_, "--table", "顧客", "--field", "郵便", "--pairs", pairs_},
            "norvel-batch: no field \"郵便\" in table \"顧客\"; its fields are:\n  番号\n  氏名\n"
            "  郵便番号\n"},
           {args({"--db", missing}),
            not_opened + "Microsoft.Jet.OLEDB.4.0;Data Source=" + missing + "\n"},
           {args({"--connect", "Provider=Nothing.Known"}), not_opened + "Nothing.Known\n"},
           {args({"--db", ""}),
            "norvel-batch: not connected: the input of the data source is empty\n"},
           {args({"--db", no_tables}), "norvel-batch: the data source has no tables\n"},
           {args({"--db", db_}, no_pairs),
            "norvel-batch: the pair list file " + no_pairs + " holds no pairs\n"}}) {
    const RunResult run = batch(arguments);
    EXPECT_EQ(run.exit_code, 2) << err;
    EXPECT_EQ(run.out, "") << err;
    // norvel-batch's own messages are whole; the window's go on with the platform's text.
    if (err.starts_with("norvel-batch: ")) {
      EXPECT_EQ(run.err, err);
    } else {
      EXPECT_THAT(run.err, StartsWith(err));
      EXPECT_GT(run.err.size(), err.size() + 1) << err;
    }
  }
  EXPECT_EQ(readBytes(db_), before);
}

// Without --pairs the list beside the program is read; the window writes its list beside the
// program too, so the program runs from a folder of the test's own.
TEST_F(BatchTest, PairListBesideTheProgramIsReadButNeverWritten) {
  const fs::path bin = dir_ / "bin";
  const std::string beside = utf8Name(bin / "norvel-batch.csv");
  const fs::path program = utf8Path(NORVEL_BATCH_PROGRAM).filename();  // .exe on Windows
  std::vector<std::string> with_list = {utf8Name(program), "norvel-batch.csv"};
  std::sort(with_list.begin(), with_list.end());
  fs::create_directories(bin);
  fs::copy_file(utf8Path(NORVEL_BATCH_PROGRAM), bin / program);
  const auto run = [&](const std::string& field) {
    return runProgram(utf8Name(bin / program), {"--db", db_, "--table", "住所", "--field", field},
                      {{"NORVEL_PASSWORD", {}}});
  };
  const RunResult missing = run("郵便番号");
  EXPECT_EQ(missing.exit_code, 2);
  EXPECT_EQ(missing.err,
            "norvel-batch: cannot read the pair list file " + beside + ": " + kNoSuchFile + "\n");
  EXPECT_EQ(listDirectory(bin), std::vector<std::string>{utf8Name(program)});

  for (const auto& [field, pairs, exit_code, out] :
       std::vector<std::tuple<std::string, std::string, int, std::string>>{
           {"郵便番号", "100-0004,100-0094\r\n", 0, statusLines("100-0004", "100-0094", "1")},
           {"郵便番号", "100-0003,100-00931\r\n", 1, "100-0003->100-00931 ... \n  CHECK"},
           {"x", "100-0001,100-0091\r\n", 2, ""}}) {
    writeBytes(beside, pairs);
    const auto before = stampOf(beside);
    const RunResult result = run(field);
    EXPECT_EQ(result.exit_code, exit_code) << pairs;
    EXPECT_THAT(result.out, StartsWith(out));
    EXPECT_EQ(stampOf(beside), before) << pairs;
    EXPECT_EQ(listDirectory(bin), with_list);
  }
}

TEST_F(BatchTest, ProgressLineShowsOnlyOnATerminalDuringALongRun) {
  // Enough output to fill what the test leaves unread, so the run takes longer than a second.
  std::string many;
  for (int i = 10000; i < 12000; ++i) {
    many += "900-" + std::to_string(i).substr(1) + ",800-0000\r\n";
  }
  for (const auto& [terminal, long_run] :
       std::vector<std::pair<bool, bool>>{{true, true}, {false, true}, {true, false}}) {
    // Windows has no pseudo terminal to start the child on; the console is tried by hand.
    if (terminal && !kTerminalAndSignals) continue;
    writeBytes(pairs_, long_run ? many : "100-0004,100-0094\r\n");
    const RunResult run =
        batch(args({"--db", db_}), {}, {terminal, "", long_run ? 1500ms : 0ms, ""});
    const std::string summary = long_run ? "0件置換しました。" : "1件置換しました。";
    EXPECT_EQ(run.exit_code, 0) << terminal << long_run << run.err;
    EXPECT_THAT(run.err, HasSubstr(summary));
    if (terminal && long_run) {
      // A pseudo terminal may drop the tail of the output once the child has gone, so look for
      // the progress line and its wiping anywhere rather than at the end.
      EXPECT_THAT(run.err, ContainsRegex("pair [0-9]+ of 2000"));
      EXPECT_THAT(run.err, HasSubstr("                \r"));
    } else {
      EXPECT_THAT(run.out + run.err, Not(HasSubstr("pair "))) << terminal << long_run;
    }
  }
}

}  // namespace
}  // namespace norvel::batch::test
