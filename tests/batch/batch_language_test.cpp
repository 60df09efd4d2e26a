#include <locale.h>

#include <csignal>

#include "batch_test_support.h"

namespace norvel::batch::test {
namespace {

using Args = std::vector<std::string>;

const Env kJapanese = {{"LANG", "ja_JP.UTF-8"}};
// Locales whose texts are English, each also with ja_JP somewhere it must not win.
const std::vector<std::pair<std::string, Env>> kEnglishLocales = {
    {"LC_ALL=C", {{"LC_ALL", "C"}, {"LANG", "ja_JP.UTF-8"}}},
    {"LANG=C", {{"LANG", "C"}, {"LANGUAGE", "ja"}}},
    {"LC_ALL=C.UTF-8", {{"LC_ALL", "C.UTF-8"}, {"LANGUAGE", "ja"}}},
    {"LANG=en_US.UTF-8", {{"LANG", "en_US.UTF-8"}}},
    {"LC_MESSAGES=C", {{"LANG", "ja_JP.UTF-8"}, {"LC_MESSAGES", "C"}}},
};

// norvel-batch's texts follow the locale (its own, and the messages it shares with the window:
// findings, pair file problems, connect failures); the status lines, the summaries and the data
// source's words do not.
class BatchLanguageTest : public BatchTest {
 protected:
  void SetUp() override {
#if !NORVEL_BATCH_TRANSLATED
    GTEST_SKIP() << "this build translates nothing (NORVEL_NLS=OFF: no libintl or msgfmt)";
#else
    const locale_t japanese = ::newlocale(LC_ALL_MASK, "ja_JP.UTF-8", nullptr);
    if (japanese == nullptr) {
      GTEST_SKIP() << "the ja_JP.UTF-8 locale is missing; as root: localedef -i ja_JP -f UTF-8 "
                      "ja_JP.UTF-8 (scripts/install-deps.sh does it)";
    }
    ::freelocale(japanese);
#endif
  }
};

TEST_F(BatchLanguageTest, HelpIsJapaneseUnderJapaneseAndEnglishOtherwise) {
  const RunResult english = runBatch({"--help"});
  EXPECT_EQ(english.exit_code, 0);
  EXPECT_THAT(english.out, StartsWith("Replaces postal codes in one field of one table: "));
  EXPECT_THAT(english.out,
              HasSubstr("\nOptions:\n  -h,--help             Print this help message and exit\n"
                        "  --version             Print the version and exit\n"));
  for (const auto& [name, env] : kEnglishLocales) {
    const RunResult run = runBatch({"--help"}, env);
    EXPECT_EQ(run.exit_code, 0) << name;
    EXPECT_EQ(run.out, english.out) << name;
  }

  const RunResult japanese = runBatch({"--help"}, kJapanese);
  EXPECT_EQ(japanese.exit_code, 0);
  EXPECT_EQ(japanese.err, "");
  const std::string& help = japanese.out;
  EXPECT_THAT(help, StartsWith("1 つのテーブルの 1 つのフィールドにある郵便番号を置換します。"));
  EXPECT_THAT(help, HasSubstr("\n使い方: norvel-batch (--db PATH | --xls PATH [--no-header] | "
                              "--oracle USER [HOST] |\n                      --connect STRING)\n"));
  EXPECT_THAT(help,
              HasSubstr("\nオプション:\n  -h,--help             このヘルプを表示して終了します\n"
                        "  --version             バージョンを表示して終了します\n"));
  EXPECT_THAT(help, HasSubstr("\nデータソース（いずれか 1 つ）:\n  --db PATH             "
                              "データベースファイル（Access タブと同じ。Access または\n"));
  EXPECT_THAT(help, HasSubstr("\n対象:\n  --table NAME          テーブル（名前は正確に）\n"));
  EXPECT_THAT(help, HasSubstr("\n終了コード:\n  0    すべてのペアが成功し"));
  // The examples are commands: the same in every language.
  EXPECT_THAT(help,
              HasSubstr("\n例:\n  norvel-batch --db sample.sqlite --table 住所 --field 郵便番号 "
                        "--dry-run\n"));
  for (const char* english_text : {"Replaces", "Usage", "Options", "Print", "Exit codes",
                                   "Pair list file", "Environment", "Examples"}) {
    EXPECT_THAT(help, Not(HasSubstr(english_text)));
  }
  EXPECT_EQ(runBatch({"--version"}, kJapanese).out, runBatch({"--version"}).out);
}

TEST_F(BatchLanguageTest, UsageErrorsFollowTheLocale) {
  const std::string see_help = "Run with --help for more information.\n";
  const std::string see_help_in_japanese = "詳しくは --help を付けて実行してください。\n";
  for (const auto& [arguments, english, japanese] :
       std::vector<std::tuple<Args, std::string, std::string>>{
           {{"--db", "a", "--field", "f"}, "--table is required", "--table は必須です"},
           {{"--table", "t", "--field", "f"},
            "one data source is required: --db, --xls, --oracle or --connect",
            "データソースを 1 つ指定してください: --db、--xls、--oracle、--connect のいずれか"},
           {{"--db", "a", "--xls", "b", "--table", "t", "--field", "f"},
            "--db excludes --xls",
            "--db と --xls は同時に指定できません"},
           {{"--db", "a", "--no-header", "--table", "t", "--field", "f"},
            "--no-header requires --xls",
            "--no-header には --xls が必要です"},
           {{"--db", "a", "--table", "t", "--field", "f", "extra"},
            "The following argument was not expected: extra",
            "不要な引数があります: extra"},
           {{"--table", "t", "--field", "f", "--db"},
            "--db: 1 required TEXT missing",
            "--db に値を指定してください"},
           {{"--db", "a", "--tabel", "t", "--field", "f"},
            "norvel-batch: unknown option --tabel: did you mean --table?",
            "norvel-batch: 不明なオプション --tabel: --table のことですか?"}}) {
    for (const auto& [name, env] : kEnglishLocales) {
      const RunResult run = runBatch(arguments, env);
      EXPECT_EQ(run.exit_code, 2) << name;
      EXPECT_EQ(run.err, english + "\n" + see_help) << name;
    }
    const RunResult run = runBatch(arguments, kJapanese);
    EXPECT_EQ(run.exit_code, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, japanese + "\n" + see_help_in_japanese);
  }
}

TEST_F(BatchLanguageTest, MessagesFollowTheLocale) {
  const std::string no_pairs = file("empty.csv");
  writeBytes(no_pairs, ",100-0001\r\n\r\n");
  const std::string missing = file("missing.sqlite");
  const std::string before = readBytes(db_);
  for (const auto& [arguments, english, japanese] :
       std::vector<std::tuple<Args, std::string, std::string>>{
           {{"--db", db_, "--table", "kunden", "--field", "plz", "--pairs", pairs_},
            "norvel-batch: no table \"kunden\"; the tables are:\n  住所\n  顧客\n  Kunden\n",
            "norvel-batch: テーブル「kunden」はありません。テーブルは次のとおりです:\n"
            "  住所\n  顧客\n  Kunden\n"},
           {{"--db", db_, "--table", "顧客", "--field", "郵便", "--pairs", pairs_},
            "norvel-batch: no field \"郵便\" in table \"顧客\"; its fields are:\n"
            "  番号\n  氏名\n  郵便番号\n",
            "norvel-batch: テーブル「顧客」にフィールド「郵便」はありません。"
            "フィールドは次のとおりです:\n  番号\n  氏名\n  郵便番号\n"},
           {args({"--db", db_}, no_pairs),
            "norvel-batch: the pair list file " + no_pairs + " holds no pairs\n",
            "norvel-batch: 置換リストのファイル " + no_pairs + " にペアがありません\n"},
           {args({"--db", ""}),
            "norvel-batch: not connected: the input of the data source is empty\n",
            "norvel-batch: 接続していません: データソースの入力が空です\n"},
           // The window's message, in the window's words under Japanese.
           {args({"--db", missing}),
            "Cannot open the database\nProvider=Microsoft.Jet.OLEDB.4.0;Data Source=" + missing +
                "\n",
            "データベースをオープンできません\nProvider=Microsoft.Jet.OLEDB.4.0;Data Source=" +
                missing + "\n"}}) {
    const RunResult in_english = batch(arguments);
    EXPECT_EQ(in_english.exit_code, 2);
    EXPECT_THAT(in_english.err, StartsWith(english));
    const RunResult in_japanese = batch(arguments, kJapanese);
    EXPECT_EQ(in_japanese.exit_code, 2);
    EXPECT_EQ(in_japanese.out, "");
    EXPECT_THAT(in_japanese.err, StartsWith(japanese));
  }
  EXPECT_EQ(readBytes(db_), before);

  // --strict counts the findings, which are said in the locale's language too.
  const std::string finding =
      "1 番目の置換ペア「100-0004 -> "
      "」は置換先が空です。該当するフィールドは空（NULL）になります。\n";
  const std::string finding_in_english =
      "Pair 1 \"100-0004 -> \" has an empty new code: the fields it matches become empty "
      "(NULL).\n";
  writeBytes(pairs_, "100-0004,\r\n100-0001,100-0091\r\n");
  const RunResult strict = batch(args({"--db", db_, "--strict"}), kJapanese);
  EXPECT_EQ(strict.exit_code, 2);
  EXPECT_EQ(strict.err, finding +
                            "norvel-batch: --strict: 置換リストに確認が必要なペアが 1 件あります"
                            "（上記）。何も実行していません\n");
  EXPECT_EQ(batch(args({"--db", db_, "--strict"})).err,
            finding_in_english +
                "norvel-batch: --strict: the pair list has 1 pair worth a second look "
                "(above); nothing was run\n");
  EXPECT_EQ(readBytes(db_), before);
}

TEST_F(BatchLanguageTest, RunsKeepTheWindowsStatusLinesAndSummaryInEveryLocale) {
  const std::string original = file("original.sqlite");
  fs::copy_file(db_, original);
  const std::string summary = "1,502件置換しました。\n";
  for (const auto& [name, env] : kEnglishLocales) {
    const RunResult run = batch(args({"--db", db_, "--dry-run"}), env);
    EXPECT_EQ(run.exit_code, 0) << name;
    EXPECT_EQ(run.out, standardStatus("1,500") +
                           "dry run: 1,502件置換しました。 (rolled back, "
                           "nothing changed)\n")
        << name;
  }
  const std::string dry_run =
      "ドライラン: 1,502件置換しました。（ロールバックしたので、何も変わっていません）\n";
  const RunResult dry = batch(args({"--db", db_, "--dry-run"}), kJapanese);
  EXPECT_EQ(dry.exit_code, 0) << dry.err;
  EXPECT_EQ(dry.out, standardStatus("1,500") + dry_run);
  EXPECT_EQ(dry.err, dry_run);
  EXPECT_EQ(codes(), kOriginalCodes);

  const RunResult real = batch(args({"--db", db_}), kJapanese);
  EXPECT_EQ(real.exit_code, 0) << real.err;
  EXPECT_EQ(real.out, standardStatus("1,500") + summary);
  EXPECT_EQ(real.err, summary);
  EXPECT_EQ(codes(), kReplacedCodes);
}

TEST_F(BatchLanguageTest, AnInterruptedRunSaysSoInJapanese) {
  const std::vector<std::string> long_run = longRun();
  const std::string before = readBytes(db_);
  const RunResult run = batch(long_run, kJapanese, {}, {SIGINT, "200,000件置換しました。\n"});
  EXPECT_EQ(run.exit_code, 130) << run.err;
  EXPECT_THAT(run.out, StartsWith(statusLines("100-0001", "100-0002", "200,000")));
  EXPECT_EQ(
      run.err,
      "norvel-batch: 中断しました（SIGINT）: 実行をロールバックしたので、何も変わっていません\n");
  EXPECT_EQ(readBytes(db_), before);
}

// A failure of the data source is led by a sentence of its kind under Japanese, and left in the
// driver's words otherwise; stdout, which scripts read, is the same in every locale.
TEST_F(BatchLanguageTest, DriverFailuresAreLedByTheirKindInJapaneseAndStdoutStaysAsItIs) {
  const std::string before = readBytes(db_);
  writeBytes(pairs_, "100-0001,100-0091\r\n100-0003,100-00931\r\n");
  const std::string driver = "CHECK constraint failed: length(郵便番号) = 8\n";
  const RunResult english = batch(args({"--db", db_}));
  EXPECT_EQ(english.exit_code, 1);
  EXPECT_EQ(english.err, driver);
  for (const auto& [name, env] : kEnglishLocales) {
    EXPECT_EQ(batch(args({"--db", db_}), env).err, driver) << name;
  }
  const RunResult japanese = batch(args({"--db", db_}), kJapanese);
  EXPECT_EQ(japanese.exit_code, 1);
  EXPECT_EQ(japanese.out, english.out);
  EXPECT_EQ(japanese.err,
            "テーブルの制約（一意・外部キー・CHECK・NOT NULL・トリガーなど）により変更が拒否"
            "されました。\n" +
                driver);
  EXPECT_EQ(readBytes(db_), before);
}

// A file that may only be read is named right after connecting, under Japanese; a dry run, which
// writes nothing, is not warned.
TEST_F(BatchLanguageTest, AReadOnlyFileIsNamedAtConnectInJapanese) {
  const std::string before = readBytes(db_);
  fs::permissions(utf8Path(db_),
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  const RunResult run = batch(args({"--db", db_}), kJapanese);
  const RunResult dry = batch(args({"--db", db_, "--dry-run"}), kJapanese);
  fs::permissions(utf8Path(db_), fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.err,
            "norvel-batch: このデータベースファイルは読み取り専用です。置換を実行しても失敗します"
            "（--dry-run はできます）。\n"
            "データベースが読み取り専用のため、書き込めません。\n"
            "attempt to write a readonly database\n");
  EXPECT_EQ(run.out, "100-0001->100-0091 ... \n  attempt to write a readonly database\n");
  EXPECT_EQ(dry.exit_code, 0);
  EXPECT_EQ(dry.err.find("読み取り専用"), std::string::npos) << dry.err;
  EXPECT_EQ(readBytes(db_), before);
}

// The help says when a signal or a closed stdout stops norvel-batch and when a save is let
// finish; the closed stdout is told in the user's language, with the system's own words for it.
TEST_F(BatchLanguageTest, StoppingIsExplainedAndToldInJapanese) {
  const std::string english = runBatch({"--help"}).out;
  EXPECT_THAT(english,
              HasSubstr("\n\nStopping: Ctrl+C (SIGINT) or SIGTERM stops norvel-batch at "));
  EXPECT_THAT(english, HasSubstr("lets the save finish: that\nrun stays committed."));
  EXPECT_THAT(english, HasSubstr("\n  141  stdout was closed during the run: it was rolled back"));
  const std::string japanese = runBatch({"--help"}, kJapanese).out;
  EXPECT_THAT(japanese,
              HasSubstr("\n\n中断: Ctrl+C（SIGINT）や SIGTERM は、いつでも norvel-batch を"));
  EXPECT_THAT(japanese, HasSubstr("ブックを保存している間のシグナルでは保存を最後まで行い"));
  EXPECT_THAT(japanese, HasSubstr("\n  141  実行中に stdout が閉じられました。"));

  const std::vector<std::string> long_run = longRun();
  const std::string before = readBytes(db_);
  Launch head;
  head.stdout_lines = 2;
  const RunResult run = batch(long_run, kJapanese, head);
  EXPECT_EQ(run.exit_code, 141) << run.err;
  EXPECT_THAT(run.err, StartsWith("norvel-batch: stdout が閉じられました（"));
  EXPECT_THAT(run.err, EndsWith("）: 実行をロールバックしたので、何も変わっていません\n"));
  EXPECT_EQ(readBytes(db_), before);
}

// A pair list file norvel-batch cannot take is named, with its lines, in the locale's language;
// nothing runs and nothing changes.
TEST_F(BatchLanguageTest, AMalformedPairFileIsToldInTheLocalesLanguage) {
  const std::string before = readBytes(db_);
  const std::string utf16_list = file("utf16.csv");
  writeBytes(utf16_list, std::string("\xFF\xFE"
                                     "1\0"
                                     "0\0"
                                     "0\0"
                                     ",\0"
                                     "2\0",
                                     12));
  writeBytes(pairs_, "100-0001,100-0091\r\n100-\x1b[2J0003,100-0093\r\n100-0004\t,1\r\n");
  for (const auto& [list, english, japanese] :
       std::vector<std::tuple<std::string, std::string, std::string>>{
           {pairs_,
            "Codes with control characters cannot be in the pair list.\nLines 2, 3 of " + pairs_ +
                " were not read.\n",
            "制御文字を含むコードは置換リストに登録できません。\n" + pairs_ +
                " の 2, 3 行目は読み込まれていません。\n"},
           {utf16_list,
            utf16_list + " is saved as UTF-16 and cannot be read.\n"
                         "Save it again as code page 932 (Shift-JIS) or UTF-8.\n",
            utf16_list + " は UTF-16 で保存されているため読み込めません。\n"
                         "コードページ 932（Shift-JIS）または UTF-8 で保存し直してください。\n"}}) {
    for (const auto& [name, env] : kEnglishLocales) {
      const RunResult run = batch(args({"--db", db_}, list), env);
      EXPECT_EQ(run.exit_code, 2) << name;
      EXPECT_EQ(run.out, "") << name;
      EXPECT_EQ(run.err, english) << name;
    }
    const RunResult run = batch(args({"--db", db_}, list), kJapanese);
    EXPECT_EQ(run.exit_code, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, japanese);
  }
  EXPECT_EQ(readBytes(db_), before);
}

// A source that cannot be opened, or lacks an input, is told in the locale's language with the
// connection string (its password masked) and the data source's own words.
TEST_F(BatchLanguageTest, AConnectFailureIsToldInTheLocalesLanguage) {
  const std::string missing = file("missing.sqlite");
  const std::string connection = "Driver={No Such Driver};Uid=norvel;Pwd=secret-word;";
  for (const auto& [arguments, env, english, japanese] :
       std::vector<std::tuple<Args, Env, std::string, std::string>>{
           {args({"--db", missing}),
            {},
            "Cannot open the database\nProvider=Microsoft.Jet.OLEDB.4.0;Data Source=" + missing +
                "\n",
            "データベースをオープンできません\nProvider=Microsoft.Jet.OLEDB.4.0;Data Source=" +
                missing + "\n"},
           {args({"--connect", connection}),
            {},
            "Cannot open the database\nDriver={No Such Driver};Uid=norvel;Pwd=",
            "データベースをオープンできません\nDriver={No Such Driver};Uid=norvel;Pwd="},
           {args({"--oracle", "scott", "orcl"}),
            {{"NORVEL_PASSWORD", ""}},
            "Enter the user name and the password\n",
            "ユーザ名、パスワードを入力してください\n"}}) {
    for (const auto& [name, locale] : kEnglishLocales) {
      Env both = env;
      both.insert(locale.begin(), locale.end());
      const RunResult run = batch(arguments, both);
      EXPECT_EQ(run.exit_code, 2) << name;
      EXPECT_EQ(run.out, "") << name;
      EXPECT_THAT(run.err, StartsWith(english)) << name;
      EXPECT_THAT(run.err, Not(HasSubstr("secret-word"))) << name;
      EXPECT_THAT(run.err, Not(HasSubstr("オープン"))) << name;
    }
    Env japanese_env = env;
    japanese_env.insert(kJapanese.begin(), kJapanese.end());
    const RunResult run = batch(arguments, japanese_env);
    EXPECT_EQ(run.exit_code, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_THAT(run.err, StartsWith(japanese));
    EXPECT_THAT(run.err, Not(HasSubstr("secret-word")));
  }
}

// What norvel-batch's own services find about a data source (a missing file, a folder, a
// provider it does not know) is said in the locale's language, after the connect message.
TEST_F(BatchLanguageTest, TheServicesOwnFindingsAreToldInTheLocalesLanguage) {
  const std::string missing = file("missing.sqlite");
  const std::string folder = file("folder.sqlite");
  fs::create_directory(utf8Path(folder));
  const std::string jet = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=";
  for (const auto& [arguments, english, japanese] :
       std::vector<std::tuple<Args, std::string, std::string>>{
           {args({"--db", missing}),
            "Cannot open the database\n" + jet + missing + "\nNo such file: " + missing + "\n",
            "データベースをオープンできません\n" + jet + missing +
                "\nファイルがありません: " + missing + "\n"},
           {args({"--db", folder}),
            "Cannot open the database\n" + jet + folder + "\n" + folder +
                " is a folder, not a database file.\n",
            "データベースをオープンできません\n" + jet + folder + "\n" + folder +
                " はフォルダーです。データベースのファイルではありません。\n"},
           {args({"--connect", "Provider=Nothing.Known"}),
            "Cannot open the database\nProvider=Nothing.Known\nThe provider Nothing.Known is not "
            "supported. Supported connections: Provider=Microsoft.Jet.OLEDB.4.0 ",
            "データベースをオープンできません\nProvider=Nothing.Known\nプロバイダー Nothing.Known "
            "には対応していません。対応している接続: Provider=Microsoft.Jet.OLEDB.4.0"}}) {
    for (const auto& [name, locale] : kEnglishLocales) {
      const RunResult run = batch(arguments, locale);
      EXPECT_EQ(run.exit_code, 2) << name;
      EXPECT_EQ(run.out, "") << name;
      EXPECT_THAT(run.err, StartsWith(english)) << name;
    }
    const RunResult run = batch(arguments, kJapanese);
    EXPECT_EQ(run.exit_code, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_THAT(run.err, StartsWith(japanese));
  }
}

// A database file another program replaces during the run is not committed to, and norvel-batch
// says so in the locale's language; the replacing file is left as that program wrote it.
TEST_F(BatchLanguageTest, AFileReplacedDuringTheRunIsToldInTheLocalesLanguage) {
  if (!kTerminalAndSignals) GTEST_SKIP() << "the Windows launcher sends no signal to wait with";
  const Args long_run = longRun();
  const std::string before = readBytes(db_);
  for (const auto& [env, expected] : std::vector<std::pair<Env, std::string>>{
           {{},
            db_ + ": the database file was deleted or replaced by another program while it was "
                  "open; nothing was committed.\n"},
           {kJapanese, "データベースでエラーが発生しました。\n" + db_ +
                           ": データベースファイルが、開いている間にほかのプログラムによって削除"
                           "されたか置き換えられました。何もコミットされていません。\n"}}) {
    // The run writes into its transaction (SQLite's journal is there) and, its stdout left
    // unread, waits on the full pipe before it commits: the file is replaced then.
    Launch unread;
    unread.stall = std::chrono::seconds(2);
    bool replaced = false;
    Interrupt replace{SIGCONT, {}, [&](int) {
                        if (replaced || !fs::exists(utf8Path(db_ + "-journal"))) return replaced;
                        writeBytes(db_ + ".new", before);
                        fs::rename(utf8Path(db_ + ".new"), utf8Path(db_));
                        replaced = true;
                        return true;
                      }};
    const RunResult run = batch(long_run, env, unread, replace);
    EXPECT_TRUE(replaced);
    EXPECT_EQ(run.exit_code, 1) << run.err;
    EXPECT_THAT(run.err, HasSubstr(expected));
    EXPECT_EQ(readBytes(db_), before);
  }
}

// A code refused before it reaches the data source is explained in the locale's language; the
// status line on stdout, which scripts read, is the same in every locale.
TEST_F(BatchLanguageTest, ARefusedCodeIsExplainedInTheLocalesLanguage) {
  sql(db_, "INSERT INTO 顧客 VALUES (1, '山田', '100-0001')");
  const std::string before = readBytes(db_);
  writeBytes(pairs_, "1,2\r\nA-1,3\r\n");
  const Args arguments = {"--db", db_, "--table", "顧客", "--field", "番号", "--pairs", pairs_};
  const std::string japanese =
      "「A-1」は数値ではないため、数値型のフィールド「番号」の置換に使えません。";
  const RunResult english = batch(arguments);
  EXPECT_EQ(english.exit_code, 1);
  EXPECT_EQ(english.out, statusLines("1", "2", "1") + "A-1->3 ... \n  " + japanese + "\n");
  EXPECT_EQ(english.err,
            "\"A-1\" is not a number, so it cannot be used to replace codes in the numeric field "
            "\"番号\".\n");
  const RunResult in_japanese = batch(arguments, kJapanese);
  EXPECT_EQ(in_japanese.exit_code, 1);
  EXPECT_EQ(in_japanese.out, english.out);
  EXPECT_EQ(in_japanese.err, japanese + "\n");
  EXPECT_EQ(readBytes(db_), before);
}

}  // namespace
}  // namespace norvel::batch::test
