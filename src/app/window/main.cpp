// norvel: the postal-code replacement utility's window.
#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>

#include <cstdio>
#include <exception>
#include <string_view>

#include "frontends/qt/form_view.h"
#include "frontends/qt/japanese_ui.h"
#include "frontends/qt/qt_window_system.h"
#include "norvel_version.h"
#include "platform/native/native_platform.h"
#include "platform/routing/routing_database_layer.h"
#include "ui/frm_norvel.h"
#include "ui/main_sequence.h"

namespace {

// --help and --version answer without opening the window; any other argument is the pair list
// file to load, as the joined argument text has always been.
void answerHelpOrVersion(const QCoreApplication& application) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "郵便番号置換ユーティリティ: replaces postal codes in one field of one table of a data "
      "source.\n\n"
      "The pair list is norvel.csv beside the program; an installed copy (or one in a folder you\n"
      "may not write) keeps it in $XDG_CONFIG_HOME/norvel/norvel.csv (~/.config/norvel/)\n"
      "unless a norvel.csv beside the program exists. 終了 saves it there."));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addPositionalArgument(QStringLiteral("pairs-file"),
                               QStringLiteral("A pair list file to load instead (it is still "
                                              "saved to the default file)."),
                               QStringLiteral("[pairs-file]"));
  if (!parser.parse(application.arguments())) return;
  if (parser.isSet(QStringLiteral("version"))) parser.showVersion();
  if (parser.isSet(QStringLiteral("help"))) parser.showHelp(0);
}

}  // namespace

int main(int argc, char** argv) {
  norvel::installTempFileCleanup();
  norvel::useUtf8Locale();
  // Whole device pixels per logical pixel: at 150 % the window is laid out at 144 dots per inch
  // rather than drawn at 96 and stretched, which loses one-pixel lines (the list's border, the
  // scroll bar's groove).
  QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
      Qt::HighDpiScaleFactorRoundingPolicy::RoundPreferFloor);
  QCoreApplication::setApplicationName(QStringLiteral("norvel"));
  QCoreApplication::setApplicationVersion(QStringLiteral(NORVEL_VERSION));
  // Answered before any window system is needed, so that they work without a display too.
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--help" || argument == "-h" || argument == "--version" || argument == "-v") {
      const QCoreApplication core(argc, argv);
      answerHelpOrVersion(core);
    }
  }
  QApplication application(argc, argv);
  QGuiApplication::setDesktopFileName(QStringLiteral(NORVEL_APP_ID));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("norvel")));
  const norvel::JapaneseUi japanese;
  // QApplication has taken its own options (-platform, -style …) out of argv; what is left is
  // the program's own argument.
  if (!norvel::localeIsUtf8()) norvel::useUtf8Locale();
  try {
    norvel::NativeProcess process(argc, argv);
    norvel::NativeCodePage932 code_page;
    norvel::NativeFileSystem files;
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
