#pragma once

#include <ostream>
#include <string>

#include "app/batch/batch_options.h"
#include "platform/platform.h"

namespace norvel::batch {

// The parts of the real world a run uses; the window system is the run's own.
struct BatchEnvironment {
  DatabaseLayer& databases;
  FileSystem& files;
  const CodePage932& code_page;
  const Process& process;
  std::ostream& out;
  std::ostream& err;
  bool stderr_is_terminal = false;
};

// One whole run through the window: start-up, connect, table and field, the replacement, and
// the window's termination without saving the pair list. Returns the exit code.
int runBatch(const BatchOptions& options, const std::string& password, BatchEnvironment& env);

}  // namespace norvel::batch
