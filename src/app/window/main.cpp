// norvel: the postal-code replacement utility's window.
#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>

#include <memory>
#include <string_view>

#include "app/window/window_program.h"
#include "frontends/qt/form_view.h"
#include "frontends/qt/japanese_ui.h"
#include "frontends/qt/qt_window_system.h"
#include "norvel_version.h"
#include "platform/native/native_platform.h"

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

class QtToolkit : public norvel::WindowToolkit {
 public:
  norvel::WindowSystem& windows() override { return windows_; }
  std::unique_ptr<norvel::FormObserver> present(norvel::FrmNorvel& window) override {
    auto view = std::make_unique<norvel::FormView>(window.form());
    windows_.attach(window.form(), view.get());
    return view;
  }
  bool ended() const override { return windows_.ended(); }
  int run() override { return QApplication::exec(); }

 private:
  norvel::QtWindowSystem windows_;
};

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
  // the program's own argument. Qt set the locale again from the environment.
  if (!norvel::localeIsUtf8()) norvel::useUtf8Locale();
  QtToolkit toolkit;
  return norvel::runWindowProgram(argc, argv, toolkit);
}
