#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <variant>

namespace norvel::batch {

// The kinds of data source, numbered as the tabs of sst対象.
enum class SourceKind { access = 0, oracle = 1, excel = 2, connection_string = 3 };

struct BatchOptions {
  SourceKind source = SourceKind::access;
  std::string path;        // --db or --xls
  bool header_row = true;  // cleared by --no-header
  std::string oracle_user;
  std::string oracle_host;
  std::string connection_string;
  std::string table;
  std::string field;
  std::optional<std::string> pairs_file;
  bool dry_run = false;
  bool quiet = false;
};

// The options, or the exit code when there is nothing to run: 0 after --help, 2 after a
// usage error (its text already written to err).
std::variant<BatchOptions, int> parseOptions(int argc, const char* const* argv, std::ostream& out,
                                             std::ostream& err);

}  // namespace norvel::batch
