#include <csignal>
#include <cstdlib>
#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "batch_test_support.h"
#include "platform/odbc/odbc_connection.h"
#include "platform/sql_statement.h"

namespace norvel::batch::test {
namespace {

using Args = std::vector<std::string>;

// The journals in a folder, oldest first (their names sort by time).
std::vector<fs::path> journalsIn(const fs::path& folder) {
  std::vector<fs::path> files;
  if (!fs::exists(folder)) return files;
  for (const auto& entry : fs::directory_iterator(folder)) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

std::string uniqueSuffix() {
#if defined(_WIN32)
  return std::to_string(std::rand());
#else
  return std::to_string(::getpid());
#endif
}

class BatchJournalTest : public BatchTest {
 protected:
  // 住所 gains rows that hold a new code of the pairs before the run, which an undo by reversed
  // pairs would wrongly move, and rows the pairs chain through.
  BatchJournalTest() {
    sql(db_,
        "INSERT INTO 住所 VALUES ('100-0091', '既存'), ('100-0093', '既存'), (NULL, '空');"
        "CREATE TABLE 鍵付き (地域 TEXT, 番号 INTEGER, 郵便番号 TEXT, PRIMARY KEY (地域, 番号))"
        " WITHOUT ROWID;"
        "INSERT INTO 鍵付き VALUES ('東', 1, '100-0001'), ('東', 2, '100-0091'),"
        " ('西', 1, '100-0003'), ('西', 2, '100-0004');");
    writeBytes(pairs_, "100-0001,100-0091\r\n100-0091,100-0093\r\n100-0004,\r\n");
  }

  std::string rowsOf(const std::string& table) const {
    return sql(db_, "SELECT * FROM " + table + " ORDER BY 1, 2");
  }
  Args run(const std::string& table, Args more = {}) const {
    Args args = {"--db", db_, "--table", table, "--field", "郵便番号", "--pairs", pairs_};
    args.insert(args.end(), more.begin(), more.end());
    return args;
  }
  Args undo(const fs::path& journal, Args more = {}) const {
    Args args = {"--db", db_, "--undo", utf8Name(journal)};
    args.insert(args.end(), more.begin(), more.end());
    return args;
  }

  fs::path runs_ = temp_.path() / "runs";
  std::string runs_arg_ = utf8Name(runs_);
};

// After a run and its undo every row is as it was, including those that held a new code before
// the run; the journal is a private CSV with a BOM named by time and table, and the undo keeps
// a journal of its own that names the one it undid.
TEST_F(BatchJournalTest, SqliteUndoPutsEveryRowBackForRowidAndWithoutRowidTables) {
  for (const std::string table : {"住所", "鍵付き"}) {
    SCOPED_TRACE(table);
    fs::remove_all(runs_);
    const std::string before = rowsOf(table);
    const RunResult changed = runBatch(run(table, {"--journal-dir", runs_arg_}));
    ASSERT_EQ(changed.exit_code, 0) << changed.err;
    EXPECT_NE(rowsOf(table), before);
    const std::vector<fs::path> journals = journalsIn(runs_);
    ASSERT_EQ(journals.size(), 1u);
    const std::string name = utf8Name(journals[0].filename());
    // GoogleTest's regular expressions on Windows have no brackets: the stamp's shape by hand.
    const std::string shape = "20ddddddTdddddd.dddZ ";
    ASSERT_GE(name.size(), shape.size()) << name;
    for (std::size_t i = 0; i < shape.size(); ++i) {
      const bool digit = name[i] >= '0' && name[i] <= '9';
      EXPECT_TRUE(shape[i] == 'd' ? digit : name[i] == shape[i]) << name;
    }
    EXPECT_THAT(name, EndsWith(" " + table + ".郵便番号.csv"));
    EXPECT_THAT(changed.err, HasSubstr("journal: " + utf8Name(journals[0])));
#if !defined(_WIN32)
    struct stat info {};
    ASSERT_EQ(::stat(journals[0].c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
#endif
    const std::string journal = readBytes(utf8Name(journals[0]));
    EXPECT_THAT(journal, StartsWith("\xEF\xBB\xBFnorvel run journal,1\r\n"));
    EXPECT_THAT(journal, HasSubstr("\r\ntable," + table + "\r\n"));
    EXPECT_THAT(journal, HasSubstr(table == "住所" ? "\r\nidentity,rowid\r\n"
                                                   : "\r\nidentity,地域,番号\r\n"));

    const RunResult checked = runBatch(undo(journals[0], {"--dry-run"}));
    EXPECT_EQ(checked.exit_code, 0) << checked.err;
    EXPECT_THAT(checked.out, HasSubstr("(rolled back, nothing changed)"));
    EXPECT_EQ(journalsIn(runs_).size(), 1u) << "a dry run keeps no journal";

    const RunResult undone = runBatch(undo(journals[0], {"--journal-dir", runs_arg_}));
    EXPECT_EQ(undone.exit_code, 0) << undone.err;
    EXPECT_THAT(undone.out, StartsWith("->100-0004 ... \n"));
    EXPECT_EQ(rowsOf(table), before);
    const std::vector<fs::path> after = journalsIn(runs_);
    ASSERT_EQ(after.size(), 2u);
    EXPECT_THAT(readBytes(utf8Name(after[1])), HasSubstr("\r\nundoes," + name + "\r\n"));

    // The undo's journal undoes the undo.
    const RunResult again = runBatch(undo(after[1], {"--no-journal"}));
    EXPECT_EQ(again.exit_code, 0) << again.err;
    const RunResult rerun = runBatch(undo(journalsIn(runs_)[0], {"--no-journal"}));
    EXPECT_EQ(rerun.exit_code, 0) << rerun.err;
    EXPECT_EQ(rowsOf(table), before);
  }
}

// The per-pair counts of an undo are those of the rows it put back; a row changed since the
// run keeps its later value and is named.
TEST_F(BatchJournalTest, RowChangedBetweenRunAndUndoIsLeftAloneAndReported) {
  const auto others = [&] {
    return sql(db_, "SELECT * FROM 住所 WHERE 町域 <> '千代田' ORDER BY 1, 2");
  };
  const std::string before = others();
  ASSERT_EQ(runBatch(run("住所", {"--journal-dir", runs_arg_})).exit_code, 0);
  sql(db_, "UPDATE 住所 SET 郵便番号 = '999-0000' WHERE 町域 = '千代田'");
  const RunResult undone = runBatch(undo(journalsIn(runs_).at(0), {"--no-journal"}));
  EXPECT_EQ(undone.exit_code, 0) << undone.err;
  EXPECT_EQ(undone.out, statusLines("", "100-0004", "1") +
                            statusLines("100-0093", "100-0091", "2") +
                            statusLines("100-0091", "100-0001", "1") + "4件置換しました。\n");
  // Both changes the run made to it: neither is undone.
  EXPECT_THAT(undone.err, HasSubstr("row rowid=1 no longer holds 100-0093: changed since the run, "
                                    "left alone\nnorvel-batch: row rowid=1 no longer holds "
                                    "100-0091: changed since the run, left alone\n"));
  EXPECT_THAT(undone.err, HasSubstr("2 changes of the run were left alone"));
  EXPECT_EQ(sql(db_, "SELECT 郵便番号 FROM 住所 WHERE 町域 = '千代田'"), "999-0000");
  EXPECT_EQ(others(), before);
}

// Without a place for the journal nothing changes, and the message says why.
TEST_F(BatchJournalTest, JournalThatCannotBeWrittenRollsTheRunBack) {
  const std::string before = rowsOf("住所");
  // A folder under a file: created by no one, whatever the user's rights.
  writeBytes(utf8Name(temp_.path() / "plain"), "x");
  const RunResult refused =
      runBatch(run("住所", {"--journal-dir", utf8Name(temp_.path() / "plain" / "runs")}));
  EXPECT_EQ(refused.exit_code, 1);
  EXPECT_THAT(refused.err, HasSubstr("The run journal could not be written, so the run was "
                                     "rolled back and nothing was changed"));
#if !defined(_WIN32)
  EXPECT_THAT(refused.err, HasSubstr("Not a directory"));  // the system's own words
#endif
  EXPECT_EQ(rowsOf("住所"), before);
#if !defined(_WIN32)
  // A folder this user may not write in.
  if (::geteuid() != 0) {
    fs::create_directory(runs_);
    fs::permissions(runs_, fs::perms::owner_read | fs::perms::owner_exec);
    const RunResult read_only = runBatch(run("住所", {"--journal-dir", runs_arg_}));
    fs::permissions(runs_, fs::perms::owner_all);
    EXPECT_EQ(read_only.exit_code, 1);
    EXPECT_THAT(read_only.err, HasSubstr("Permission denied"));
    EXPECT_EQ(rowsOf("住所"), before);
  }
#endif
  // --no-journal runs without one.
  EXPECT_EQ(runBatch(run("住所", {"--no-journal"})).exit_code, 0);
  EXPECT_NE(rowsOf("住所"), before);
}

#if !defined(_WIN32)
// A full disk, for real: the journal folder is a one-page tmpfs, filled, in a mount namespace of
// the child's own (where the system allows one to an unprivileged user).
TEST_F(BatchJournalTest, JournalOnAFullDiskRollsTheRunBackAndLeavesNoPartFile) {
  constexpr const char* kUnshare = "/usr/bin/unshare";  // util-linux, in every Debian
  if (!fs::exists(kUnshare) || runProgram(kUnshare, {"-rm", "true"}).exit_code != 0) {
    GTEST_SKIP() << "no user and mount namespaces here (unshare -rm) to mount a small tmpfs in";
  }
  fs::create_directory(runs_);
  const std::string before = rowsOf("住所");
  Args args = {"-rm",
               "sh",
               "-c",
               "mount -t tmpfs -o size=4k none \"$1\" && head -c 4096 /dev/zero >\"$1/fill\" "
               "2>/dev/null; shift; \"$@\"; status=$?; echo --; ls -A \"$0\"; exit $status",
               runs_arg_,
               runs_arg_,
               NORVEL_BATCH_PROGRAM};
  for (const std::string& arg : run("住所", {"--journal-dir", runs_arg_})) args.push_back(arg);
  const RunResult full = runProgram(
      kUnshare, args, {{"LANG", "C.UTF-8"}, {"LC_ALL", std::nullopt}, {"LANGUAGE", std::nullopt}});
  EXPECT_EQ(full.exit_code, 1) << full.err;
  EXPECT_THAT(full.err, HasSubstr("The run journal could not be written, so the run was "
                                  "rolled back and nothing was changed"));
  EXPECT_THAT(full.err, HasSubstr("No space left on device"));  // the system's own words
  EXPECT_THAT(full.out, EndsWith("--\nfill\n"));                // no part of a journal is left
  EXPECT_EQ(rowsOf("住所"), before);
}
#endif

// Every committed run keeps a journal in the user's state folder unless --no-journal; --journal
// is accepted and changes nothing; what the run prints on stdout and its exit code are those of
// the run without one. With no folder to put it in, a committed run refuses before it changes
// anything, naming the ways out; a dry run needs none.
TEST_F(BatchJournalTest, CommittedRunsKeepAJournalByDefault) {
  const fs::path state = temp_.path() / "state";
  const fs::path folder = state / "norvel" / "runs";
  Env env = {{"XDG_STATE_HOME", utf8Name(state)}};
#if defined(_WIN32)
  const fs::path local = temp_.path() / "local";
  env = {{"LOCALAPPDATA", utf8Name(local)}};
  const fs::path default_folder = local / "norvel" / "runs";
#else
  const fs::path& default_folder = folder;
#endif
  const std::string before = rowsOf("住所");
  const std::string copy = utf8Name(temp_.path() / "copy.sqlite");
  fs::copy_file(utf8Path(db_), utf8Path(copy));

  const RunResult journaled = runBatch(run("住所"), env);
  ASSERT_EQ(journaled.exit_code, 0) << journaled.err;
  ASSERT_EQ(journalsIn(default_folder).size(), 1u);
  EXPECT_THAT(readBytes(utf8Name(journalsIn(default_folder)[0])),
              HasSubstr("\r\nidentity,rowid\r\n"));

  Args plain = {"--db",     copy,      "--table", "住所",        "--field",
                "郵便番号", "--pairs", pairs_,    "--no-journal"};
  const RunResult unjournaled = runBatch(plain, env);
  EXPECT_EQ(unjournaled.exit_code, journaled.exit_code);
  EXPECT_EQ(unjournaled.out, journaled.out);
  EXPECT_EQ(journalsIn(default_folder).size(), 1u) << "--no-journal keeps none";
  EXPECT_EQ(sql(copy, "SELECT * FROM 住所 ORDER BY 1, 2"), rowsOf("住所"));

  // The undo needs no flag either, and --journal is accepted as before.
  const RunResult undone = runBatch(undo(journalsIn(default_folder)[0], {"--journal"}), env);
  EXPECT_EQ(undone.exit_code, 0) << undone.err;
  EXPECT_EQ(rowsOf("住所"), before);
  EXPECT_EQ(journalsIn(default_folder).size(), 2u);

  Env nowhere = {{"XDG_STATE_HOME", std::nullopt},
                 {"HOME", std::nullopt},
                 {"LOCALAPPDATA", std::nullopt},
                 {"USERPROFILE", std::nullopt}};
  const RunResult refused = runBatch(run("住所"), nowhere);
  EXPECT_EQ(refused.exit_code, 2);
  EXPECT_EQ(refused.out, "");
  EXPECT_THAT(refused.err, HasSubstr("give --journal-dir DIR or --no-journal; nothing was run"));
  EXPECT_EQ(rowsOf("住所"), before);
  const RunResult checked = runBatch(run("住所", {"--dry-run"}), nowhere);
  EXPECT_EQ(checked.exit_code, 0) << checked.err;
  EXPECT_EQ(runBatch(run("住所", {"--no-journal"}), nowhere).exit_code, 0);
  EXPECT_NE(rowsOf("住所"), before);
}

// Killed after its journal is on disk and before its COMMIT, the run changed nothing, and the
// undo of that journal changes nothing either.
TEST_F(BatchJournalTest, KillBetweenJournalAndCommitLeavesAJournalWhoseUndoChangesNothing) {
#if defined(_WIN32)
  GTEST_SKIP() << "no signals to send on Windows";
#else
  const std::string before = rowsOf("住所");
  Interrupt kill;
  kill.signal = SIGKILL;
  // The journal under its own name: before that it is a temporary file still being written.
  kill.ready = [&](int) {
    const std::vector<fs::path> files = journalsIn(runs_);
    return std::any_of(files.begin(), files.end(),
                       [](const fs::path& file) { return file.extension() == ".csv"; });
  };
  const RunResult killed = runBatch(run("住所", {"--journal-dir", runs_arg_}),
                                    {{"NORVEL_TEST_PAUSE_BEFORE_COMMIT", "50"}}, {}, kill);
  EXPECT_EQ(killed.exit_code, -1);
  EXPECT_EQ(rowsOf("住所"), before);
  const std::vector<fs::path> journals = journalsIn(runs_);
  ASSERT_EQ(journals.size(), 1u);
  const RunResult undone = runBatch(undo(journals[0], {"--no-journal"}));
  EXPECT_EQ(undone.exit_code, 0) << undone.err;
  EXPECT_THAT(undone.out, EndsWith("\n0件置換しました。\n"));
  EXPECT_THAT(undone.err, HasSubstr("6 changes of the run were left alone"));
  EXPECT_EQ(rowsOf("住所"), before);
#endif
}

// A journal that is not one, or is cut short, is refused before anything connects.
TEST_F(BatchJournalTest, BrokenJournalIsRefusedNamingWhy) {
  ASSERT_EQ(runBatch(run("住所", {"--journal-dir", runs_arg_})).exit_code, 0);
  const std::string whole = readBytes(utf8Name(journalsIn(runs_).at(0)));
  const std::string cut = utf8Name(temp_.path() / "cut.csv");
  for (const auto& [bytes, why] : std::vector<std::pair<std::string, std::string>>{
           {whole.substr(0, whole.rfind("end,")), "cut short before its end line"},
           {"郵便番号,町域\r\n", "not a norvel run journal"}}) {
    writeBytes(cut, bytes);
    const std::string after_run = rowsOf("住所");
    const RunResult refused = runBatch(undo(cut));
    EXPECT_EQ(refused.exit_code, 2);
    EXPECT_THAT(refused.err, HasSubstr("is not a complete run journal"));
    EXPECT_THAT(refused.err, HasSubstr(why));
    EXPECT_EQ(rowsOf("住所"), after_run);
  }
  const RunResult missing = runBatch(undo(temp_.path() / "none.csv"));
  EXPECT_EQ(missing.exit_code, 2);
  EXPECT_THAT(missing.err, HasSubstr("cannot read the journal"));
}

// The servers: primary key, composite key and no key; the journal holds no password.
TEST_F(BatchJournalTest, ServerUndoByPrimaryKeyCompositeKeyAndNoKey) {
  for (const char* variable : {"NORVEL_TEST_PG", "NORVEL_TEST_MARIADB"}) {
    const char* connection = std::getenv(variable);
    if (connection == nullptr || *connection == '\0') continue;
    SCOPED_TRACE(variable);
    const std::string password = [&] {
      const std::string text = connection;
      const std::size_t at = text.find("Pwd=") + 4;
      return text.substr(at, text.find(';', at) - at);
    }();
    const auto db = openOdbc(connection);
    const std::string suffix = uniqueSuffix();
    struct Case {
      std::string table, definition;
      bool undoable;
    };
    const std::vector<Case> cases = {
        {"journal_pk_" + suffix, "(id integer PRIMARY KEY, zip varchar(8))", true},
        {"journal_ck_" + suffix,
         "(area varchar(8) NOT NULL, id integer NOT NULL, zip varchar(8), PRIMARY KEY (area, id))",
         true},
        {"journal_nk_" + suffix, "(id integer, zip varchar(8))", false}};
    for (const Case& c : cases) {
      SCOPED_TRACE(c.table);
      fs::remove_all(runs_);
      db->execute("DROP TABLE IF EXISTS " + c.table);
      db->execute("CREATE TABLE " + c.table + " " + c.definition);
      const std::shared_ptr<void> drop(nullptr,
                                       [&](void*) { db->execute("DROP TABLE " + c.table); });
      const bool composite = c.definition.find("area") != std::string::npos;
      db->execute("INSERT INTO " + c.table + " VALUES " +
                  (composite ? "('e', 1, '100-0001'), ('e', 2, '100-0091'), ('w', 1, '100-0003'),"
                               " ('w', 2, '100-0004'), ('w', 3, NULL)"
                             : "(1, '100-0001'), (2, '100-0091'), (3, '100-0003'), (4, "
                               "'100-0004'), (5, NULL)"));
      const auto rows = [&] {
        std::string text;
        for (const auto& row :
             db->queryRows(SqlStatement("SELECT * FROM " + c.table + " ORDER BY 1, 2"))) {
          for (const auto& value : row) text += value.value_or("NULL") + "|";
          text += "\n";
        }
        return text;
      };
      const std::string before = rows();
      const Args target = {"--connect", connection, "--table", c.table,         "--field",
                           "zip",       "--pairs",  pairs_,    "--journal-dir", runs_arg_};
      Args dry = target;
      dry.push_back("--dry-run");
      const RunResult checked = runBatch(dry);
      EXPECT_EQ(checked.exit_code, 0) << checked.err;
      EXPECT_EQ(checked.err.find("cannot be undone exactly") != std::string::npos, !c.undoable);

      const RunResult changed = runBatch(target);
      ASSERT_EQ(changed.exit_code, 0) << changed.err;
      EXPECT_NE(rows(), before);
      const std::vector<fs::path> journals = journalsIn(runs_);
      ASSERT_EQ(journals.size(), 1u);
      const std::string journal = readBytes(utf8Name(journals[0]));
      EXPECT_THAT(journal, Not(HasSubstr(password)));
      EXPECT_THAT(journal, HasSubstr("Pwd="));
      EXPECT_THAT(journal, HasSubstr("\r\ntotal,4\r\n"));

      const RunResult undone =
          runBatch({"--connect", connection, "--undo", utf8Name(journals[0]), "--no-journal"});
      if (c.undoable) {
        EXPECT_EQ(undone.exit_code, 0) << undone.err;
        EXPECT_EQ(rows(), before);
      } else {
        EXPECT_EQ(undone.exit_code, 2);
        EXPECT_THAT(undone.err,
                    HasSubstr("that run cannot be undone exactly; nothing was changed"));
        EXPECT_NE(rows(), before);
      }
    }
  }
}

}  // namespace
}  // namespace norvel::batch::test
