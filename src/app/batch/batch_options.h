#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <variant>

#include "db/source_kind.h"

namespace norvel::batch {

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
  bool plain = false;       // --plain: the pairs one by one, never the set-based statements
  bool strict = false;      // --strict: pairs worth a second look stop the run before it starts
  std::string journal_dir;  // --journal-dir: empty for the user's state folder
  bool journal = false;     // --journal: the default, accepted as before
  bool no_journal = false;  // --no-journal
  std::optional<std::string> undo;  // --undo JOURNAL: the run to undo instead of pairs
};

// The options, or the exit code when there is nothing to run: 0 after --help or --version, 2
// after a usage error (its text already written to err) and when no argument was given at all
// (the help, on out).
std::variant<BatchOptions, int> parseOptions(int argc, const char* const* argv, std::ostream& out,
                                             std::ostream& err);

}  // namespace norvel::batch
