#include "journal/file_journal.h"

#include "journal/journal_location.h"

namespace norvel {
namespace {

std::optional<std::string> codeValue(const std::string& code) {
  // The run writes an empty code as NULL.
  if (code.empty()) return std::nullopt;
  return code;
}

std::string joined(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  const char last = folder.back();
#ifdef _WIN32
  constexpr const char* kSeparator = "\\";
#else
  constexpr const char* kSeparator = "/";
#endif
  return last == '/' || last == '\\' ? folder + name : folder + kSeparator + name;
}

}  // namespace

FileJournal::FileJournal(FileSystem& files, std::string folder, JournalRecord header,
                         const std::vector<RunPair>& pairs,
                         std::chrono::system_clock::time_point time)
    : files_(files), folder_(std::move(folder)), record_(std::move(header)) {
  record_.time = journalTimeText(time);
  name_ = journalFileName(time, record_.table, record_.field);
  for (const RunPair& pair : pairs) record_.pairs.push_back({pair.old_code, pair.new_code, 0});
}

void FileJournal::rowsOfPair(std::size_t pair_index, std::vector<JournaledRow> rows) {
  const std::optional<std::string> new_value = pair_index < record_.pairs.size()
                                                   ? codeValue(record_.pairs[pair_index].new_code)
                                                   : std::nullopt;
  // No reserve to the exact size here: called once per pair, that would move every entry kept so
  // far on each call.
  for (JournaledRow& row : rows) {
    record_.entries.push_back(
        {pair_index, std::move(row.old_value), new_value, std::move(row.identity)});
  }
}

void FileJournal::addEntries(std::vector<JournalEntry> entries) {
  for (JournalEntry& entry : entries) record_.entries.push_back(std::move(entry));
}

void FileJournal::complete(const RunResult& result) {
  for (std::size_t i = 0; i < record_.pairs.size() && i < result.counts.size(); ++i) {
    record_.pairs[i].count = result.counts[i];
  }
  record_.total = result.total;
  files_.createDirectories(folder_);
  // Two runs within one millisecond keep both journals.
  std::string path = joined(folder_, name_);
  for (int n = 2; files_.canOpenForReading(path); ++n) {
    path = joined(folder_, name_.substr(0, name_.size() - 4) + " (" + std::to_string(n) + ").csv");
  }
  files_.writePrivateFile(path, journalBytes(record_));
  path_ = path;
}

}  // namespace norvel
