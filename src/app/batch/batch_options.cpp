#include "app/batch/batch_options.h"

#include <CLI/CLI.hpp>
#include <ostream>
#include <vector>

#include "app/batch/exit_codes.h"

namespace norvel::batch {
namespace {

constexpr const char* kSynopsis =
    "Usage: norvel-batch (--db PATH | --xls PATH [--no-header] | --oracle USER [HOST] |\n"
    "                     --connect STRING)\n"
    "                    --table NAME --field NAME [--pairs FILE] [--dry-run] [--quiet]\n";

constexpr const char* kDescription =
    "Replaces postal codes in one field of one table: for every pair of the pair list, in\n"
    "list order, the rows holding the old code get the new code, all pairs in one\n"
    "transaction. It drives the window of the 郵便番号置換ユーティリティ exactly as a user\n"
    "would: fills in the tab of the data source, connects, picks the table and the field\n"
    "and starts the run.\n";

constexpr const char* kFooter =
    "Pair list file: one pair per line, \"old,new\", code page 932 (Shift-JIS), the format\n"
    "the window reads and writes. Without --pairs, norvel-batch.csv beside this program is\n"
    "read. norvel-batch never writes a pair list file.\n"
    "\n"
    "Output: the status lines of the run on stdout as they are written (\"old->new ... \"\n"
    "and the count of replaced rows), then the summary line (\"1,502件置換しました。\").\n"
    "Every message of the window (warnings, the summary) goes to stderr. On a terminal a\n"
    "progress line \"pair i of n\" is kept on stderr while a run takes longer than a second.\n"
    "\n"
    "Environment:\n"
    "  NORVEL_PASSWORD  the Oracle password for --oracle; without it the password is asked\n"
    "                   on the terminal (never taken from the command line). With --connect\n"
    "                   it is added as Pwd when the connection string names no password.\n"
    "\n"
    "Exit codes:\n"
    "  0  every pair succeeded and the run was committed (with --dry-run: rolled back)\n"
    "  1  a pair failed: the run was rolled back, nothing was changed\n"
    "  2  usage error, the data source could not be opened or has no tables, an unknown\n"
    "     table or field, an unreadable or empty pair list\n"
    "\n"
    "Examples:\n"
    "  norvel-batch --db sample.sqlite --table 住所 --field 郵便番号 --dry-run\n"
    "  norvel-batch --xls 顧客.xlsx --table 'Sheet1$' --field F3 --no-header --pairs changes.csv\n"
    "  NORVEL_PASSWORD=… norvel-batch --connect 'Driver={PostgreSQL Unicode};Server=db;\n"
    "               Database=crm;Uid=app' --table customers --field zip --pairs changes.csv\n"
    "  norvel-batch --connect @crm.connection --table customers --field zip --quiet\n";

class BatchFormatter : public CLI::Formatter {
 public:
  std::string make_usage(const CLI::App*, std::string) const override { return kSynopsis; }
};

}  // namespace

std::variant<BatchOptions, int> parseOptions(int argc, const char* const* argv, std::ostream& out,
                                             std::ostream& err) {
  BatchOptions options;
  std::string db_path;
  std::string xls_path;
  std::vector<std::string> oracle;

  CLI::App app(kDescription, "norvel-batch");
  app.formatter(std::make_shared<BatchFormatter>());
  app.get_formatter()->column_width(24);
  app.footer(kFooter);

  const std::string source_group = "Data source (exactly one)";
  auto* db = app.add_option("--db", db_path,
                            "Database file, as on the Access tab (an Access or an SQLite\n"
                            "database file)")
                 ->option_text("PATH")
                 ->group(source_group);
  auto* xls = app.add_option("--xls", xls_path,
                             "Excel workbook (.xlsx), as on the Excel tab; each worksheet\n"
                             "is a table named \"<sheet>$\"")
                  ->option_text("PATH")
                  ->group(source_group);
  bool no_header = false;
  app.add_flag("--no-header", no_header,
               "With --xls: row 1 is data, not field names; the fields are\n"
               "F1, F2, … (unticks \"１行目をフィールド名として扱う\")")
      ->option_text(" ")
      ->group(source_group)
      ->needs(xls);
  auto* ora = app.add_option("--oracle", oracle,
                             "Oracle user name and host string, as on the Oracle tab; the\n"
                             "password is NORVEL_PASSWORD or asked on the terminal")
                  ->expected(1, 2)
                  ->option_text("USER [HOST]")
                  ->group(source_group);
  auto* connect = app.add_option("--connect", options.connection_string,
                                 "Connection string, as on the その他（ＡＤＯ） tab, passed on\n"
                                 "unchanged (ODBC \"Driver={…};…\", \"DSN=…\", …); \"-\" reads it\n"
                                 "from standard input, \"@FILE\" from a file, so that no\n"
                                 "password stands on the command line (ps shows it to all)")
                      ->option_text("STRING")
                      ->group(source_group);
  db->excludes(xls, ora, connect);
  xls->excludes(ora, connect);
  ora->excludes(connect);

  const std::string target_group = "Target";
  app.add_option("--table", options.table, "Table, by its exact name")
      ->required()
      ->option_text("NAME")
      ->group(target_group);
  app.add_option("--field", options.field, "Field of the table, by its exact name")
      ->required()
      ->option_text("NAME")
      ->group(target_group);

  const std::string run_group = "Run";
  std::string pairs_file;
  auto* pairs = app.add_option("--pairs", pairs_file,
                               "Pair list file to read (default: norvel-batch.csv beside\n"
                               "this program)")
                    ->option_text("FILE")
                    ->group(run_group);
  app.add_flag("--dry-run", options.dry_run,
               "Run every pair and report the counts, then roll back instead\n"
               "of committing: nothing is changed")
      ->group(run_group);
  app.add_flag("--quiet", options.quiet,
               "No status lines per pair: only the messages and the summary")
      ->group(run_group);

  try {
    app.parse(argc, argv);
    const int sources = static_cast<int>(db->count() > 0) + static_cast<int>(xls->count() > 0) +
                        static_cast<int>(ora->count() > 0) + static_cast<int>(connect->count() > 0);
    if (sources != 1) {
      throw CLI::ValidationError("one data source is required: --db, --xls, --oracle or --connect");
    }
  } catch (const CLI::ParseError& error) {
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
    options.source = SourceKind::connection_string;
  }
  if (pairs->count() > 0) options.pairs_file = pairs_file;
  return options;
}

}  // namespace norvel::batch
