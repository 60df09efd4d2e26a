#pragma once

#include <memory>

#include "platform/window_system.h"
#include "ui/frm_norvel.h"

namespace norvel {

// What a toolkit brings to the window program: its window system, its view of the window and
// its event loop. Everything else the program does the same way whatever draws the window.
class WindowToolkit {
 public:
  virtual ~WindowToolkit() = default;
  virtual WindowSystem& windows() = 0;
  // The toolkit's view of the window, created before start-up shows it; the program keeps it
  // while the window lives.
  virtual std::unique_ptr<FormObserver> present(FrmNorvel& window) = 0;
  // True when the process has already been ended (start-up ended it, or the window was closed
  // while start-up still ran).
  virtual bool ended() const = 0;
  // Runs the event loop until the application ends; the program's exit code.
  virtual int run() = 0;
};

// The window program on the services of the system it is built for: the window, its start-up
// and its event loop. argv holds the program's own arguments only (the toolkit has taken its own
// out). Returns the exit code: 1 when start-up failed.
int runWindowProgram(int argc, char** argv, WindowToolkit& toolkit);

}  // namespace norvel
