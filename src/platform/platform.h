#pragma once

#include "platform/code_page.h"
#include "platform/database.h"
#include "platform/file_system.h"
#include "platform/process.h"
#include "platform/window_system.h"

namespace norvel {

// The world as the core sees it.
struct Platform {
  WindowSystem& windows;
  DatabaseLayer& databases;
  FileSystem& files;
  const CodePage932& code_page;
  Process& process;
};

}  // namespace norvel
