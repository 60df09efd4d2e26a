#include <windows.h>

#include "app/batch/terminal.h"
#include "platform/win32/win32_console.h"

namespace norvel::batch {

bool standardErrorIsTerminal() {
  return win32::isConsole(STD_ERROR_HANDLE);
}

// A process has one console at most. Pipes and files are not compared: Windows has no
// identity of a pipe that Wine answers for.
bool standardStreamsShareOutput() {
  return win32::isConsole(STD_OUTPUT_HANDLE) && win32::isConsole(STD_ERROR_HANDLE);
}

void ignoreBrokenPipe() {}

}  // namespace norvel::batch
