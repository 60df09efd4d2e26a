// norvel.exe: the postal-code replacement utility's window on Windows.
#include <windows.h>

#include <memory>
#include <string>
#include <string_view>

#include "app/window/window_program.h"
#include "frontends/win32/form_window.h"
#include "frontends/win32/win32_window_system.h"
#include "norvel_version.h"
#include "platform/native/native_platform.h"
#include "platform/win32/win32_text.h"

namespace {

constexpr char kTitle[] = "郵便番号置換ユーティリティ";

// A window program has no console to print to: --help and --version answer in a box.
bool answerHelpOrVersion(const norvel::Utf8Arguments& arguments) {
  for (std::size_t i = 1; i < arguments.arguments().size(); ++i) {
    const std::string_view argument = arguments.arguments()[i];
    std::string text;
    if (argument == "--version" || argument == "-v") {
      text = std::string("norvel ") + NORVEL_VERSION;
    } else if (argument == "--help" || argument == "-h" || argument == "/?") {
      text =
          "使い方: norvel [置換リストのファイル]\n\n"
          "データソースの一つのテーブルの一つのフィールドにある郵便番号を置き換えます。\n\n"
          "置換リストは、プログラムと同じフォルダーの norvel.csv "
          "です（そのフォルダーに書き込めるとき）。\n"
          "インストーラーでインストールしたもの（と書き込めないフォルダーにあるもの）は、\n"
          "%APPDATA%\\norvel\\norvel.csv を使います。終了のときにそこへ保存します。\n\n"
          "置換リストのファイルを指定すると、それを読み込みます（保存先は上のファイルのままです）"
          "。";
    } else {
      continue;
    }
    ::MessageBoxW(nullptr, norvel::win32::wideFromUtf8(text).c_str(),
                  norvel::win32::wideFromUtf8(kTitle).c_str(), MB_OK | MB_ICONINFORMATION);
    return true;
  }
  return false;
}

class Win32Toolkit : public norvel::WindowToolkit {
 public:
  norvel::WindowSystem& windows() override { return windows_; }
  std::unique_ptr<norvel::FormObserver> present(norvel::FrmNorvel& window) override {
    return std::make_unique<norvel::FormWindow>(window.form(), windows_);
  }
  bool ended() const override { return windows_.ended(); }
  int run() override { return windows_.run(); }

 private:
  norvel::Win32WindowSystem windows_;
};

}  // namespace

int main(int main_argc, char** main_argv) {
  norvel::installTempFileCleanup();
  norvel::useUtf8Locale();
  norvel::Utf8Arguments arguments(main_argc, main_argv);
  if (answerHelpOrVersion(arguments)) return 0;
  try {
    Win32Toolkit toolkit;
    return norvel::runWindowProgram(arguments.argc(), arguments.argv(), toolkit);
  } catch (const std::exception& error) {
    ::MessageBoxW(nullptr, norvel::win32::wideFromUtf8(error.what()).c_str(),
                  norvel::win32::wideFromUtf8(kTitle).c_str(), MB_OK | MB_ICONERROR);
    return 1;
  }
}
