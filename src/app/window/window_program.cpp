#include "app/window/window_program.h"

#include <cstdio>
#include <exception>

#include "platform/native/native_platform.h"
#include "platform/routing/routing_database_layer.h"
#include "ui/main_sequence.h"

namespace norvel {

int runWindowProgram(int argc, char** argv, WindowToolkit& toolkit) {
  try {
    NativeProcess process(argc, argv);
    NativeCodePage932 code_page;
    NativeFileSystem files;
    RoutingDatabaseLayer databases;
    Platform platform{toolkit.windows(), databases, files, code_page, process};

    FrmNorvel window(platform);
    // Declared after the window: the view lets go of the window's model first.
    const std::unique_ptr<FormObserver> view = toolkit.present(window);
    if (!Main(window)) return 1;
    if (toolkit.ended()) return 0;
    return toolkit.run();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "norvel: %s\n", error.what());
    return 1;
  }
}

}  // namespace norvel
