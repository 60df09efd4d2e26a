#include "app/pairs/pairs_run.h"

#include <filesystem>
#include <ostream>

#include "app/pairs/list_input.h"
#include "postal/change_files.h"
#include "postal/code_changes.h"
#include "postal/output_files.h"

namespace norvel::pairs_tool {
namespace {

namespace fs = std::filesystem;

bool sameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  if (fs::equivalent(a, b, error)) return true;
  const fs::path pa = fs::weakly_canonical(a, error);
  if (error) return false;
  const fs::path pb = fs::weakly_canonical(b, error);
  return !error && pa == pb;
}

// Empty when the outputs leave every input alone and differ from each other.
std::string outputClash(const PairsOptions& options) {
  for (const std::string* output : {&options.out, &options.report}) {
    for (const std::string& input : options.inputs) {
      if (sameFile(*output, input)) return *output + " is an input: it is never overwritten";
    }
  }
  if (sameFile(options.out, options.report)) {
    return "--out and --report name the same file: " + options.out;
  }
  return {};
}

struct Lists {
  std::vector<postal::AddressRecord> old_records;
  std::vector<postal::AddressRecord> new_records;
};

void append(std::vector<postal::AddressRecord>& to, std::vector<postal::AddressRecord>&& from) {
  if (to.empty()) {
    to = std::move(from);
  } else {
    to.insert(to.end(), std::make_move_iterator(from.begin()), std::make_move_iterator(from.end()));
  }
}

Lists readLists(const PairsOptions& options, PairsEnvironment& env) {
  Lists lists;
  if (!options.changes) {
    const std::string roles[] = {"old list ", "new list "};
    for (std::size_t i = 0; i < 2; ++i) {
      LoadedList list = loadList(options.inputs[i], env.files, env.code_page);
      env.err << "norvel-pairs: " << roles[i] << list.description << '\n';
      append(i == 0 ? lists.old_records : lists.new_records, std::move(list.snapshot.records));
    }
    return lists;
  }
  postal::ChangeSet changes;
  for (const std::string& path : options.inputs) {
    if (!postal::changeKindOf(path)) {
      throw postal::PostalInputError(path +
                                     ": the name does not tell whether it lists withdrawn "
                                     "(del_…) or new (add_…) addresses");
    }
  }
  for (const std::string& path : options.inputs) {
    const postal::ChangeKind kind = *postal::changeKindOf(path);
    LoadedList list = loadList(path, env.files, env.code_page);
    const bool deleted = kind == postal::ChangeKind::deletions;
    env.err << "norvel-pairs: " << (deleted ? "withdrawn " : "added ") << list.description << '\n';
    append(deleted ? changes.deleted : changes.added, std::move(list.snapshot.records));
  }
  changes = postal::netChanges(std::move(changes));
  lists.old_records = std::move(changes.deleted);
  lists.new_records = std::move(changes.added);
  return lists;
}

void printSummary(const postal::Comparison& result, const PairsOptions& options,
                  std::ostream& err) {
  err << "norvel-pairs: " << groupedNumber(result.pairs.size()) << " pair"
      << (result.pairs.size() == 1 ? "" : "s") << " written to " << options.out << '\n';
  const auto counts = postal::codesPerReason(result.findings);
  if (counts.empty()) {
    err << "norvel-pairs: no other code changed; " << options.report << " lists nothing\n";
    return;
  }
  err << "norvel-pairs: not proposed, see " << options.report << " (old codes per reason):\n";
  for (const auto& [reason, count] : counts) {
    const std::string label = postal::reasonLabel(reason);
    const std::string number = groupedNumber(count);
    err << "  " << label << std::string(label.size() < 24 ? 24 - label.size() : 1, ' ')
        << std::string(number.size() < 8 ? 8 - number.size() : 0, ' ') << number << '\n';
  }
}

}  // namespace

int runPairs(const PairsOptions& options, PairsEnvironment& env) {
  if (const std::string clash = outputClash(options); !clash.empty()) {
    env.err << "norvel-pairs: " << clash << '\n';
    return kExitBadInput;
  }
  Lists lists;
  try {
    lists = readLists(options, env);
  } catch (const postal::PostalInputError& error) {
    env.err << "norvel-pairs: " << error.what() << '\n';
    return kExitBadInput;
  }
  const postal::Comparison result = postal::compareSnapshots(lists.old_records, lists.new_records);
  try {
    env.files.replaceFile(options.out,
                          postal::pairListBytes(result.pairs, options.hyphen, env.code_page));
    env.files.replaceFile(options.report, postal::reportBytes(result.findings, options.hyphen));
  } catch (const FileError& error) {
    env.err << "norvel-pairs: " << error.what() << '\n';
    return kExitWriteFailed;
  }
  printSummary(result, options, env.err);
  return kExitWritten;
}

}  // namespace norvel::pairs_tool
