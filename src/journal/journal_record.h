#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace norvel {

struct JournalPair {
  std::string old_code;
  std::string new_code;
  std::int64_t count = 0;
};

// One changed row: the pair (from 0) that changed it, its value before and after that pair
// (none: NULL), and its identity values.
struct JournalEntry {
  std::size_t pair_index = 0;
  std::optional<std::string> old_value;
  std::optional<std::string> new_value;
  std::vector<std::optional<std::string>> identity;
};

// What a journal file holds: who changed what, when, and the rows to put back.
struct JournalRecord {
  std::string source;  // the connection string with its passwords masked
  std::string table;
  std::string field;
  std::string time;  // UTC, ISO 8601
  std::string user;
  std::string undoes;  // the file name of the journal this run undid, when it was an undo
  // Empty: the table had no identity the run could use; the journal holds the counts only.
  std::vector<std::string> identity;
  std::vector<JournalPair> pairs;
  std::int64_t total = 0;
  std::vector<JournalEntry> entries;

  bool undoable() const { return !identity.empty(); }
};

class JournalFormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// "rowid=5" or "id=7, part=2": the row an entry names, as a message shows it.
std::string identityText(const JournalRecord& record, const JournalEntry& entry);

// CSV in UTF-8 with a BOM, so that a spreadsheet opens it as it is; the header lines first,
// then one line per row, then an end line that tells a complete file from a cut one.
std::string journalBytes(const JournalRecord& record);
// Throws JournalFormatError naming the line for a file that is not a complete journal.
JournalRecord parseJournal(std::string_view bytes);

}  // namespace norvel
