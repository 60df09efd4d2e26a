#pragma once

#include <ostream>
#include <string>

#include "app/batch/batch_options.h"
#include "platform/platform.h"

namespace norvel::batch {

// The parts of the real world a run uses.
struct BatchEnvironment {
  DatabaseLayer& databases;
  FileSystem& files;
  const CodePage932& code_page;
  const Process& process;
  std::ostream& out;
  std::ostream& err;
  bool stderr_is_terminal = false;
  // stdout and stderr reach one terminal, pipe or file: the summary, which goes to both, is
  // written once.
  bool same_output = false;
};

// One whole run as the window does it: the pair list file, the connect, the table and the
// field checked against the catalog, the replacement. SIGINT and SIGTERM before the replacement
// end the program at once (exit 130 or 143, nothing changed: it never returns then); during it
// they stop it and roll it back, and so does a stdout whose reader is gone. Returns the exit
// code. The pair list file is never written.
int runBatch(const BatchOptions& options, const std::string& password, BatchEnvironment& env);

}  // namespace norvel::batch
