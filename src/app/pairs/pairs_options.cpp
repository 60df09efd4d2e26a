#include "app/pairs/pairs_options.h"

#include <CLI/CLI.hpp>
#include <ostream>

#include "norvel_version.h"

namespace norvel::pairs_tool {
namespace {

constexpr const char* kSynopsis =
    "Usage: norvel-pairs OLD.csv NEW.csv [--out FILE] [--report FILE] [--hyphen]\n"
    "       norvel-pairs --changes del_YYMM.csv add_YYMM.csv [...] [--out FILE] [--report FILE]\n"
    "                    [--hyphen]\n";

constexpr const char* kDescription =
    "Derives the pair list for norvel and norvel-batch from Japan Post's address list\n"
    "(KEN_ALL.CSV in code page 932 or utf_ken_all.csv in UTF-8, told apart by their bytes;\n"
    "the .zip files as published are read too). Addresses are matched on prefecture, city\n"
    "and town (full-width and half-width spellings compare equal; the parenthesised 丁目 and\n"
    "番地 ranges and 「以下に掲載がない場合」 are part of the town). A pair old -> new is\n"
    "proposed only when every address of the old code moved to the same new code, no other\n"
    "code moved there, and the old code is gone from the new list.\n";

constexpr const char* kFooter =
    "Outputs:\n"
    "  The pair list: code page 932, CR LF, one \"old,new\" per line, the file the window\n"
    "  and norvel-batch read; an input is never overwritten.\n"
    "  The report: CSV in UTF-8 with a byte order mark (a spreadsheet opens it), one line per\n"
    "  code not proposed, with the reason: split, merged, town not matched (a renamed\n"
    "  municipality names both sides), abolished, chain, cycle, several prefectures, old\n"
    "  code still in use.\n"
    "  A summary (counts per reason) on stderr.\n"
    "\n"
    "--changes: the files are Japan Post's monthly change files, each named as published\n"
    "(del_… lists withdrawn addresses, add_… new ones; utf_ and .zip forms too). Only the\n"
    "addresses those files list are compared: an old code counts as gone when no added\n"
    "address uses it.\n"
    "\n"
    "Exit codes:\n"
    "  0  the pair list and the report were written (the list may be empty)\n"
    "  1  an output file could not be written\n"
    "  2  usage error, or an input that is unreadable, not a Japan Post address list, or\n"
    "     neither UTF-8 nor code page 932\n"
    "\n"
    "Examples:\n"
    "  norvel-pairs ken_all_2022.zip utf_ken_all.zip --out pairs.csv\n"
    "  norvel-batch --db 顧客.sqlite --table 住所 --field 郵便番号 --pairs pairs.csv --dry-run\n"
    "  norvel-pairs --changes del_2301.zip add_2301.zip del_2302.zip add_2302.zip --hyphen\n";

class PairsFormatter : public CLI::Formatter {
 public:
  std::string make_usage(const CLI::App*, std::string) const override { return kSynopsis; }
};

}  // namespace

std::variant<PairsOptions, int> parseOptions(int argc, const char* const* argv, std::ostream& out,
                                             std::ostream& err) {
  PairsOptions options;
  CLI::App app(kDescription, "norvel-pairs");
  app.formatter(std::make_shared<PairsFormatter>());
  app.get_formatter()->column_width(22);
  app.footer(kFooter);

  app.add_option("lists", options.inputs,
                 "OLD and NEW lists; with --changes, the monthly del_/add_ files")
      ->required()
      ->option_text("FILE...");
  app.add_flag("--changes", options.changes,
               "The files are monthly change files (del_YYMM, add_YYMM), any\n"
               "number of months");
  app.add_option("--out", options.out, "Pair list to write (default: pairs.csv)")
      ->option_text("FILE");
  app.add_option("--report", options.report, "Review report to write (default: pairs-report.csv)")
      ->option_text("FILE");
  app.add_flag("--hyphen", options.hyphen, "Write codes as 999-9999 instead of 9999999");
  // Answered before the lists are asked for, as --help is.
  app.set_version_flag("--version", std::string("norvel-pairs ") + NORVEL_VERSION,
                       "Print the version and exit");

  try {
    app.parse(argc, argv);
    if (!options.changes && options.inputs.size() != 2) {
      throw CLI::ValidationError(
          "two lists are needed, OLD and NEW (or --changes with the "
          "monthly files)");
    }
    if (options.out.empty() || options.report.empty()) {
      throw CLI::ValidationError("--out and --report need a file name");
    }
  } catch (const CLI::ParseError& error) {
    const int code = app.exit(error, out, err);
    return code == 0 ? 0 : kExitBadInput;
  }
  return options;
}

}  // namespace norvel::pairs_tool
