#include "postal/change_files.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <unordered_map>

#include "postal/width_fold.h"
#include "text/ascii_case.h"

namespace norvel::postal {
namespace {

std::string lowered(std::string_view text) {
  return asciiLowercase(text);
}

std::string identity(const AddressRecord& record) {
  return record.code + '\x1F' + foldWidth(record.prefecture) + '\x1F' + foldWidth(record.city) +
         '\x1F' + foldWidth(record.town);
}

}  // namespace

std::optional<ChangeKind> changeKindOf(std::string_view file_name) {
  const std::size_t slash = file_name.find_last_of('/');
  std::string name =
      lowered(slash == std::string_view::npos ? file_name : file_name.substr(slash + 1));
  if (name.starts_with("utf_")) name.erase(0, 4);
  if (name.starts_with("del")) return ChangeKind::deletions;
  if (name.starts_with("add")) return ChangeKind::additions;
  return std::nullopt;
}

ChangeSet netChanges(ChangeSet changes) {
  std::unordered_map<std::string, std::size_t> deleted;
  for (const AddressRecord& record : changes.deleted) ++deleted[identity(record)];
  std::unordered_map<std::string, std::size_t> cancelled;
  std::erase_if(changes.added, [&](const AddressRecord& record) {
    const std::string id = identity(record);
    const auto at = deleted.find(id);
    if (at == deleted.end() || at->second == 0) return false;
    --at->second;
    ++cancelled[id];
    return true;
  });
  std::erase_if(changes.deleted, [&](const AddressRecord& record) {
    const auto at = cancelled.find(identity(record));
    if (at == cancelled.end() || at->second == 0) return false;
    --at->second;
    return true;
  });
  return changes;
}

}  // namespace norvel::postal
