#pragma once

#include <string>

#include "platform/code_page.h"
#include "platform/file_system.h"
#include "postal/address_record.h"

namespace norvel::pairs_tool {

struct LoadedList {
  postal::Snapshot snapshot;
  std::string description;  // what was read: the zip entry, the encoding, the counts
};

// One of Japan Post's lists from a file, unpacked first when it is a zip archive. Throws
// postal::PostalInputError naming the path.
LoadedList loadList(const std::string& path, const FileSystem& files, const CodePage932& code_page);

// 124,531
std::string groupedNumber(std::size_t n);

}  // namespace norvel::pairs_tool
