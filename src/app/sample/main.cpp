#include <CLI/CLI.hpp>
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>

#include "app/sample/postal_csv.h"
#include "app/sample/sample_database.h"
#include "app/sample/sample_pairs.h"
#include "pairs/pair_file_writer.h"
#include "platform/iconv/iconv_code_page_932.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_process.h"
#include "text/number_text.h"

namespace {

namespace fs = std::filesystem;
using namespace norvel;
using namespace norvel::sample;

// The programs whose default pair list files get the sample pairs.
constexpr const char* kPairListFiles[] = {"norvel-batch.csv", "norvel.csv"};

constexpr const char* kFooter =
    "Creates in DIR, each only when it does not exist yet:\n"
    "  sample.sqlite      SQLite database, table 住所 with the columns of the list (all TEXT)\n"
    "  norvel-batch.csv   pair list of real codes for norvel-batch (code page 932, CR LF)\n"
    "  norvel.csv         the same pairs for the window\n"
    "\n"
    "Exit codes: 0 done, 1 the list could not be read or a file not written, 2 usage error.\n"
    "\n"
    "Example:\n"
    "  norvel-sample --csv jp-postal-2022.csv --out /tmp/demo\n"
    "  norvel-batch --db /tmp/demo/sample.sqlite --table 住所 --field 郵便番号 \\\n"
    "               --pairs /tmp/demo/norvel-batch.csv --dry-run\n";

bool present(const fs::path& path) {
  std::error_code ignored;
  return fs::exists(fs::symlink_status(path, ignored));
}

}  // namespace

int main(int argc, char** argv) {
  std::string csv_path = NORVEL_SAMPLE_CSV;
  std::string out_dir;
  std::size_t pair_count = 5;

  CLI::App app("Builds the sample address database and pair lists from Japan Post's list.",
               "norvel-sample");
  app.footer(kFooter);
  app.add_option("--csv", csv_path, "Japan Post's address list (UTF-8, header line)")
      ->type_name("PATH")
      ->capture_default_str();
  app.add_option("--out", out_dir, "Folder for the files (default: beside this program)")
      ->type_name("DIR");
  app.add_option("--pairs", pair_count, "Number of pairs in the pair lists")
      ->type_name("N")
      ->check(CLI::Range(1, 1000))
      ->capture_default_str();
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? 0 : 2;
  }

  try {
    if (out_dir.empty()) {
      out_dir = fs::path(PosixProcess(argc, argv).executablePath()).parent_path().string();
    }
    fs::create_directories(out_dir);
    const fs::path out(out_dir);

    const fs::path database = out / "sample.sqlite";
    bool need_list = !present(database);
    for (const char* name : kPairListFiles) need_list = need_list || !present(out / name);
    if (!need_list) {
      std::cout << "kept " << database.string() << " and the pair lists: they exist\n";
      return 0;
    }

    const PostalCsv csv = readPostalCsv(csv_path);
    if (present(database)) {
      std::cout << "kept " << database.string() << '\n';
    } else {
      writeSampleDatabase(database.string(), csv);
      std::cout << "created " << database.string() << " (" << kSampleTable << ": "
                << formatCount(static_cast<std::int64_t>(csv.rows.size())) << " addresses)\n";
    }

    const IconvCodePage932 code_page;
    PosixFileSystem files;
    const std::vector<PairCodes> pairs = choosePairs(csv, pair_count);
    const std::string bytes = encodePairFile(pairs, code_page);
    for (const char* name : kPairListFiles) {
      const fs::path list = out / name;
      if (present(list)) {
        std::cout << "kept " << list.string() << '\n';
        continue;
      }
      files.replaceFile(list.string(), bytes);
      std::cout << "created " << list.string() << " (" << pairs.size() << " pairs)\n";
    }
    return 0;
  } catch (const std::exception& error) {
    std::cerr << "norvel-sample: " << error.what() << '\n';
    return 1;
  }
}
