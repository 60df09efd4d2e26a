#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "postal/address_record.h"

namespace norvel::postal {

enum class ChangeKind { deletions, additions };

// What a monthly file lists, from its published name (del_2301.csv, ADD_2301.CSV,
// utf_del_2301.zip, …); nullopt when the name does not tell.
std::optional<ChangeKind> changeKindOf(std::string_view file_name);

struct ChangeSet {
  std::vector<AddressRecord> deleted;
  std::vector<AddressRecord> added;
};

// The net change of several months: an address deleted and added again under the same code
// (a record that only changed its reading, or a code added and withdrawn) cancels out.
ChangeSet netChanges(ChangeSet changes);

}  // namespace norvel::postal
