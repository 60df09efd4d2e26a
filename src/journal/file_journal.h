#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "engine/replacement_run.h"
#include "journal/journal_record.h"
#include "platform/file_system.h"

namespace norvel {

// The journal of one run, kept in memory as the run hands over its rows and written to
// `folder` in one go right before the COMMIT: complete, flushed and readable by this user only.
class FileJournal : public RunJournal {
 public:
  // `header` holds source, table, field, user, identity (and undoes for an undo); the time,
  // counts and rows are filled here.
  FileJournal(FileSystem& files, std::string folder, JournalRecord header,
              const std::vector<RunPair>& pairs,
              std::chrono::system_clock::time_point time = std::chrono::system_clock::now());

  const std::vector<std::string>& identityColumns() const override { return record_.identity; }
  void rowsOfPair(std::size_t pair_index, std::vector<JournaledRow> rows) override;
  void complete(const RunResult& result) override;

  // Rows whose new value is their own (an undo's: each row gets back its own old value).
  void addEntries(std::vector<JournalEntry> entries);

  const std::string& path() const { return path_; }  // the file, once complete
  const JournalRecord& record() const { return record_; }

 private:
  FileSystem& files_;
  std::string folder_;
  std::string name_;
  JournalRecord record_;
  std::string path_;
};

}  // namespace norvel
