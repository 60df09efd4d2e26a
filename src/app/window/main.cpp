// norvel: the postal-code replacement utility's window.
#include <QApplication>

#include <cstdio>
#include <exception>

#include "ui/main_sequence.h"
#include "platform/iconv/iconv_code_page_932.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_process.h"
#include "platform/posix/temporary_file.h"
#include "platform/posix/utf8_locale.h"
#include "frontends/qt/form_view.h"
#include "frontends/qt/qt_window_system.h"
#include "platform/routing/routing_database_layer.h"
#include "ui/frm_norvel.h"

int main(int argc, char** argv) {
  norvel::InstallTempFileCleanup();
  norvel::UseUtf8Locale();
  QApplication application(argc, argv);
  // QApplication has taken its own options (-platform, -style …) out of argv; what is left is
  // the program's own argument.
  if (!norvel::LocaleIsUtf8()) norvel::UseUtf8Locale();
  try {
    norvel::PosixProcess process(argc, argv);
    norvel::IconvCodePage932 code_page;
    norvel::PosixFileSystem files;
    norvel::RoutingDatabaseLayer databases;
    norvel::QtWindowSystem windows;
    norvel::Platform platform{windows, databases, files, code_page, process};

    norvel::FrmNorvel window(platform);
    norvel::FormView view(window.form());
    windows.attach(window.form(), &view);
    if (!norvel::Main(window)) return 1;
    if (windows.ended()) return 0;
    return QApplication::exec();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "norvel: %s\n", error.what());
    return 1;
  }
}
