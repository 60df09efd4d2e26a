#include <windows.h>

#include <atomic>
#include <cstdlib>

#include "platform/win32/win32_console_code_pages.h"

namespace norvel::win32 {
namespace {

// 0: no console when the program started.
std::atomic<UINT> saved_input{0};
std::atomic<UINT> saved_output{0};

void restore() {
  if (const UINT input = saved_input.load()) ::SetConsoleCP(input);
  if (const UINT output = saved_output.load()) ::SetConsoleOutputCP(output);
}

// Registered first, so it runs last: a run's interrupt handler, registered later, takes
// Ctrl+C itself and lets main return. Alone, it restores and lets the default handler end the
// process.
BOOL WINAPI restoreOnControl(DWORD) {
  restore();
  return FALSE;
}

}  // namespace

void keepConsoleCodePages() {
  saved_input = ::GetConsoleCP();
  saved_output = ::GetConsoleOutputCP();
  if (saved_input == 0 && saved_output == 0) return;
  std::atexit(restore);
  ::SetConsoleCtrlHandler(restoreOnControl, TRUE);
}

}  // namespace norvel::win32
