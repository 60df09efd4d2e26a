#include "app/batch/batch_options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <ostream>
#include <vector>

#include "app/batch/batch_text.h"
#include "app/batch/exit_codes.h"
#include "app/batch/usage_error_text.h"
#include "norvel_version.h"

namespace norvel::batch {
namespace {

// After every usage error.
std::string seeHelp() {
  return std::string(tr("Run with --help for more information.")) + "\n";
}

// The help's text after the options, paragraph by paragraph; the examples are not translated.
std::string footer() {
#ifdef _WIN32
  std::string text =
      tr("Pair list file: one pair per line, \"old,new\", code page 932 (Shift-JIS), the format\n"
         "the window reads and writes. Without --pairs, norvel-batch.csv beside this program is\n"
         "read; an installed copy (or one in a folder you may not write) reads\n"
         "%APPDATA%\\norvel\\norvel-batch.csv unless a list beside the program exists.\n"
         "norvel-batch never writes a pair list file.\n");
#else
  std::string text =
      tr("Pair list file: one pair per line, \"old,new\", code page 932 (Shift-JIS), the format\n"
         "the window reads and writes. Without --pairs, norvel-batch.csv beside this program is\n"
         "read; an installed copy (or one in a folder you may not write) reads\n"
         "$XDG_CONFIG_HOME/norvel/norvel-batch.csv (~/.config/norvel/) unless a list beside the\n"
         "program exists. norvel-batch never writes a pair list file.\n");
#endif
  text += "\n";
  text +=
      tr("Output: the status lines of the run on stdout as they are written (\"old->new ... \"\n"
         "and the count of replaced rows), then the summary line (\"1,502件置換しました。\").\n"
         "Every message of the window (warnings, the summary) goes to stderr, and so do the\n"
         "pairs worth a second look (an empty new code, a header line), before the run. On a\n"
         "terminal a progress line \"pair i of n\" is kept on stderr while a run takes longer\n"
         "than a second.\n");
  text += "\n";
#ifdef _WIN32
  text +=
      tr("Stopping: Ctrl+C or Ctrl+Break stops norvel-batch at any point. Before the run\n"
         "(while it connects, reads the tables and fields or loads a workbook) nothing has\n"
         "changed yet; during the run, the run is rolled back. A Ctrl+C that comes while a\n"
         "workbook is being saved at the end of its run lets the save finish: that run stays\n"
         "committed. A run whose output is closed by its reader is stopped and rolled back\n"
         "the same way. The console's code pages are as they were when norvel-batch ends.\n");
#else
  text +=
      tr("Stopping: Ctrl+C (SIGINT) or SIGTERM stops norvel-batch at any point. Before the\n"
         "run (while it connects, reads the tables and fields or loads a workbook) nothing\n"
         "has changed yet; during the run, the run is rolled back. A signal that comes\n"
         "while a workbook is being saved at the end of its run lets the save finish: that\n"
         "run stays committed. A run whose stdout is closed by its reader (\"| head\") is\n"
         "stopped and rolled back the same way.\n");
#endif
  text += "\n";
#ifdef _WIN32
  text +=
      tr("Environment:\n"
         "  NORVEL_PASSWORD  the Oracle password for --oracle (set NORVEL_PASSWORD=… in cmd.exe);\n"
         "                   without it the password is asked in the console (never taken from\n"
         "                   the command line). With --connect it is added as Pwd when the\n"
         "                   connection string names no password.\n");
#else
  text +=
      tr("Environment:\n"
         "  NORVEL_PASSWORD  the Oracle password for --oracle; without it the password is asked\n"
         "                   on the terminal (never taken from the command line). With --connect\n"
         "                   it is added as Pwd when the connection string names no password.\n");
#endif
  text += "\n";
#ifdef _WIN32
  text +=
      tr("Exit codes:\n"
         "  0    every pair succeeded and the run was committed (with --dry-run: rolled back)\n"
         "  1    a pair failed: the run was rolled back, nothing was changed\n"
         "  2    usage error, the data source could not be opened or has no tables, an unknown\n"
         "       table or field, an unreadable or empty pair list\n"
         "  130  interrupted by Ctrl+C or Ctrl+Break, 143 by closing the console window: a run\n"
         "       that had begun was rolled back; nothing was changed\n"
         "  141  the output was closed during the run: it was rolled back, nothing was changed\n"
         "In a .bat file the code is %ERRORLEVEL%.\n");
#else
  text +=
      tr("Exit codes:\n"
         "  0    every pair succeeded and the run was committed (with --dry-run: rolled back)\n"
         "  1    a pair failed: the run was rolled back, nothing was changed\n"
         "  2    usage error, the data source could not be opened or has no tables, an unknown\n"
         "       table or field, an unreadable or empty pair list\n"
         "  130  interrupted by Ctrl+C (SIGINT), 143 by SIGTERM: a run that had begun was\n"
         "       rolled back; nothing was changed\n"
         "  141  stdout was closed during the run: it was rolled back, nothing was changed\n");
#endif
  text += "\n";
  text += tr("Examples:\n");
#ifdef _WIN32
  // cmd.exe quotes with double quotes only and reads no quotes inside "set".
  text +=
      "  norvel-batch --db 住所.mdb --table 住所 --field 郵便番号 --dry-run\n"
      "  norvel-batch --xls 顧客.xlsx --table Sheet1$ --field F3 --no-header --pairs "
      "changes.csv\n"
      "  set NORVEL_PASSWORD=…\n"
      "  norvel-batch --connect \"Driver={PostgreSQL Unicode};Server=db;Database=crm;Uid=app\"\n"
      "               --table customers --field zip --pairs changes.csv\n"
      "  norvel-batch --connect @crm.connection --table customers --field zip --quiet\n";
#else
  text +=
      "  norvel-batch --db sample.sqlite --table 住所 --field 郵便番号 --dry-run\n"
      "  norvel-batch --xls 顧客.xlsx --table 'Sheet1$' --field F3 --no-header --pairs "
      "changes.csv\n"
      "  NORVEL_PASSWORD=… norvel-batch --connect 'Driver={PostgreSQL Unicode};Server=db;\n"
      "               Database=crm;Uid=app' --table customers --field zip --pairs changes.csv\n"
      "  norvel-batch --connect @crm.connection --table customers --field zip --quiet\n";
#endif
  return text;
}

class BatchFormatter : public CLI::Formatter {
 public:
  std::string make_usage(const CLI::App*, std::string) const override {
    return tr(
        // TRANSLATORS: the options stay as they are; the lines after the first line up under it.
        "Usage: norvel-batch (--db PATH | --xls PATH [--no-header] | --oracle USER [HOST] |\n"
        "                     --connect STRING)\n"
        "                    --table NAME --field NAME [--pairs FILE] [--dry-run] [--quiet]\n"
        "                    [--plain] [--strict]\n");
  }
};

// Edit distance, for the option a mistyped one was probably meant to be.
std::size_t distance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

bool isOption(const CLI::App& app, const std::string& name) {
  for (const CLI::Option* option : app.get_options()) {
    for (const std::string& known : option->get_lnames()) {
      if (name == "--" + known) return true;
    }
  }
  return false;
}

// "unknown option --tabel: did you mean --table?" for the first argument that looks like a long
// option the program does not have.
std::string suggestionFor(const CLI::App& app, const std::vector<std::string>& arguments) {
  for (const std::string& argument : arguments) {
    if (!argument.starts_with("--") || argument == "--") continue;
    const std::string typed = argument.substr(0, argument.find('='));
    if (isOption(app, typed)) continue;
    std::string best;
    std::size_t best_distance = 4;  // farther than that is no likely typo
    for (const CLI::Option* option : app.get_options()) {
      for (const std::string& name : option->get_lnames()) {
        const std::size_t d = distance(typed, "--" + name);
        if (d < best_distance) {
          best_distance = d;
          best = "--" + name;
        }
      }
    }
    return "norvel-batch: " +
           (best.empty() ? tr("unknown option {1}", {typed})
                         : tr("unknown option {1}: did you mean {2}?", {typed, best})) +
           "\n";
  }
  return {};
}

}  // namespace

std::variant<BatchOptions, int> parseOptions(int argc, const char* const* argv, std::ostream& out,
                                             std::ostream& err) {
  BatchOptions options;
  std::string db_path;
  std::string xls_path;
  std::vector<std::string> oracle;

  CLI::App app(
      // TRANSLATORS: the help keeps within 80 columns; option descriptions start at column 25.
      tr("Replaces postal codes in one field of one table: for every pair of the pair list, in\n"
         "list order, the rows holding the old code get the new code, all pairs in one\n"
         "transaction. It does what the window of the 郵便番号置換ユーティリティ does, with the\n"
         "same connection strings, checks, status lines and messages: connects to the data\n"
         "source, finds the table and the field, and runs the pairs.\n"),
      "norvel-batch");
  app.option_defaults()->group(tr("Options"));
  app.set_help_flag("-h,--help", tr("Print this help message and exit"));
  app.formatter(std::make_shared<BatchFormatter>());
  app.get_formatter()->column_width(24);
  app.footer(footer());
  app.failure_message([](const CLI::App*, const CLI::Error& error) {
    return usageErrorText(error) + "\n" + seeHelp();
  });

  const std::string source_group = tr("Data source (exactly one)");
  auto* db = app.add_option("--db", db_path,
                            tr("Database file, as on the Access tab (an Access or an SQLite\n"
                               "database file)"))
                 ->option_text("PATH")
                 ->group(source_group);
  auto* xls = app.add_option("--xls", xls_path,
                             tr("Excel workbook (.xlsx or .xls), as on the Excel tab; each\n"
                                "worksheet is a table named \"<sheet>$\""))
                  ->option_text("PATH")
                  ->group(source_group);
  bool no_header = false;
  app.add_flag("--no-header", no_header,
               tr("With --xls: row 1 is data, not field names; the fields are\n"
                  "F1, F2, … (unticks \"１行目をフィールド名として扱う\")"))
      ->option_text(" ")
      ->group(source_group)
      ->needs(xls);
  auto* ora = app.add_option("--oracle", oracle,
                             tr("Oracle user name and host string, as on the Oracle tab; the\n"
                                "password is NORVEL_PASSWORD or asked on the terminal"))
                  ->expected(1, 2)
                  ->option_text("USER [HOST]")
                  ->group(source_group);
  auto* connect =
      app.add_option("--connect", options.connection_string,
#ifdef _WIN32
                     tr("Connection string, as on the その他（ＡＤＯ） tab, passed on\n"
                        "unchanged (ODBC \"Driver={…};…\", \"DSN=…\", …); \"-\" reads it\n"
                        "from standard input, \"@FILE\" from a file, so that no\n"
                        "password stands on the command line (Task Manager shows it)"))
#else
                     tr("Connection string, as on the その他（ＡＤＯ） tab, passed on\n"
                        "unchanged (ODBC \"Driver={…};…\", \"DSN=…\", …); \"-\" reads it\n"
                        "from standard input, \"@FILE\" from a file, so that no\n"
                        "password stands on the command line (ps shows it to all)"))
#endif
          ->option_text("STRING")
          ->group(source_group);
  db->excludes(xls, ora, connect);
  xls->excludes(ora, connect);
  ora->excludes(connect);

  // An undo takes its table and field from the journal.
  const bool undoing = std::any_of(argv + 1, argv + argc, [](const char* argument) {
    return std::string_view(argument) == "--undo" ||
           std::string_view(argument).starts_with("--undo=");
  });
  const std::string target_group = tr("Target");
  app.add_option("--table", options.table, tr("Table, by its exact name"))
      ->required(!undoing)
      ->option_text("NAME")
      ->group(target_group);
  app.add_option("--field", options.field, tr("Field of the table, by its exact name"))
      ->required(!undoing)
      ->option_text("NAME")
      ->group(target_group);

  const std::string run_group = tr("Run");
  std::string pairs_file;
  auto* pairs = app.add_option("--pairs", pairs_file,
                               tr("Pair list file to read (default: norvel-batch.csv beside\n"
                                  "this program)"))
                    ->option_text("FILE")
                    ->group(run_group);
  app.add_flag("--dry-run", options.dry_run,
               tr("Run every pair and report the counts, then roll back instead\n"
                  "of committing: nothing is changed"))
      ->group(run_group);
  app.add_flag("--quiet", options.quiet,
               tr("No status lines per pair: only the messages and the summary"))
      ->group(run_group);
  app.add_flag("--plain", options.plain,
               tr("Apply the pairs one by one (a probe and an UPDATE each), never\n"
                  "through the faster set-based statements; same result"))
      ->group(run_group);
  app.add_flag("--strict", options.strict,
               tr("Stop with exit code 2, before anything runs, when the pair list\n"
                  "has pairs worth a second look (chains, repeats, empty codes, …)"))
      ->group(run_group);
  const std::string journal_group = tr("Journal");
  auto* journal = app.add_flag("--journal", options.journal,
                               tr("Keep a journal of the rows a committed run changes, for --undo\n"
                                  "(the default; accepted as before)"))
                      ->group(journal_group);
  auto* journal_dir = app.add_option("--journal-dir", options.journal_dir,
                                     tr("Folder for the journal of a committed run (default:\n"
                                        "$XDG_STATE_HOME/norvel/runs, ~/.local/state/norvel/runs)"))
                          ->option_text("DIR")
                          ->group(journal_group);
  app.add_flag("--no-journal", options.no_journal,
               tr("Write no journal: the run cannot be undone with --undo"))
      ->group(journal_group)
      ->excludes(journal_dir)
      ->excludes(journal);
  std::string undo_file;
  app.add_option("--undo", undo_file,
                 tr("Put back the rows a journaled run changed, where they still hold\n"
                    "what it wrote (with --dry-run: count them only)"))
      ->option_text("JOURNAL")
      ->group(journal_group)
      ->excludes(pairs);
  app.set_version_flag("--version", std::string("norvel-batch ") + NORVEL_VERSION,
                       tr("Print the version and exit"));

  // Without any argument there is nothing to guess: the whole help, and a failure for scripts.
  if (argc <= 1) {
    out << app.help();
    return kExitUsage;
  }

  try {
    app.parse(argc, argv);
    const int sources = static_cast<int>(db->count() > 0) + static_cast<int>(xls->count() > 0) +
                        static_cast<int>(ora->count() > 0) + static_cast<int>(connect->count() > 0);
    if (sources != 1) {
      throw CLI::ValidationError(
          tr("one data source is required: --db, --xls, --oracle or --connect"));
    }
  } catch (const CLI::ParseError& error) {
    // A mistyped option explains the rest ("--tabel" leaves --table missing): it goes first.
    const std::string suggestion =
        suggestionFor(app, std::vector<std::string>(argv + 1, argv + argc));
    if (!suggestion.empty() && error.get_exit_code() != 0) {
      err << suggestion << seeHelp();
      return kExitUsage;
    }
    const int code = app.exit(error, out, err);
    return code == 0 ? 0 : kExitUsage;
  }

  if (db->count() > 0) {
    options.source = SourceKind::access;
    options.path = db_path;
  } else if (xls->count() > 0) {
    options.source = SourceKind::excel;
    options.path = xls_path;
    options.header_row = !no_header;
  } else if (ora->count() > 0) {
    options.source = SourceKind::oracle;
    options.oracle_user = oracle.at(0);
    if (oracle.size() > 1) options.oracle_host = oracle[1];
  } else {
    options.source = SourceKind::connectionString;
  }
  if (pairs->count() > 0) options.pairs_file = pairs_file;
  if (undoing) options.undo = undo_file;
  return options;
}

}  // namespace norvel::batch
