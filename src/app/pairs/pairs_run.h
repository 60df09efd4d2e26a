#pragma once

#include <iosfwd>

#include "app/pairs/pairs_options.h"
#include "platform/code_page.h"
#include "platform/file_system.h"

namespace norvel::pairs_tool {

struct PairsEnvironment {
  FileSystem& files;
  const CodePage932& code_page;
  std::ostream& err;  // what was read, the summary, the messages
};

// Reads the lists, writes the pair list and the report, prints the summary; the exit code.
int runPairs(const PairsOptions& options, PairsEnvironment& env);

}  // namespace norvel::pairs_tool
