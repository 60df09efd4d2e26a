#pragma once

#include <memory>
#include <string>
#include <vector>

#include "frontends/headless/headless_window_system.h"
#include "platform/native/native_platform.h"
#include "platform/routing/routing_database_layer.h"
#include "support/temp_dir.h"
#include "ui/frm_norvel.h"
#include "ui/main_sequence.h"
#include "ui/run_header.h"

namespace norvel::testing {

// The status box's text without the header line each run begins with.
inline std::string withoutRunHeaders(const std::string& status) {
  std::string out;
  std::size_t position = 0;
  while (position < status.size()) {
    std::size_t end = status.find("\r\n", position);
    end = end == std::string::npos ? status.size() : end + 2;
    if (status.compare(position, kRunHeaderMark.size(), kRunHeaderMark) != 0) {
      out.append(status, position, end - position);
    }
    position = end;
  }
  return out;
}

// Process facts of a program installed in a test folder.
class TestProcess : public Process {
 public:
  std::string executable;
  std::string argument;
  std::string current_directory;
  std::string config_directory;
  std::string installed_bin;
  std::string executablePath() const override { return executable; }
  std::string userConfigDirectory() const override { return config_directory; }
  std::string installedBinDirectory() const override { return installed_bin; }
  std::string commandLineArgument() const override { return argument; }
  std::string currentDirectory() const override { return current_directory; }
};

// The window started headless with real files, code page and databases, driven as a user
// drives it: every action is followed by the event processing a real window does after it.
class WindowHarness {
 public:
  WindowHarness() {
    process.executable = dir.file("norvel");
    process.current_directory = dir.path().string();
  }
  ~WindowHarness() = default;

  // The pair list file beside the executable.
  std::string pairFile() const { return dir.file("norvel.csv"); }

  bool start() {
    window = std::make_unique<FrmNorvel>(platform);
    windows.attach(window->form());
    const bool started = Main(*window);
    windows.processPendingEvents();
    return started;
  }

  FrmNorvel& w() { return *window; }
  Form& form() { return window->form(); }

  void pump() { windows.processPendingEvents(); }
  void type(Control& box, const std::string& text) {
    form().userTypes(box, text);
    pump();
  }
  void click(Control& control) {
    form().userClicks(control);
    pump();
  }
  void shiftClick(Control& control) {
    form().userClicks(control, kShiftMask);
    pump();
  }
  void select(Control& list, int index) {
    form().userSelects(list, index);
    pump();
  }
  void selectText(Control& list, const std::string& item) {
    for (int i = 0; i < list.itemCount(); ++i) {
      if (list.items()[i] == item) return select(list, i);
    }
    throw std::runtime_error("no item " + item + " in " + list.name());
  }
  // A key pressed in the control; true when the window used it.
  bool key(Control& control, Key key, int shift = 0) {
    const bool used = form().userPressesKey(control, key, shift);
    pump();
    return used;
  }
  void tab(int index) {
    form().userSelectsTab(index);
    pump();
  }
  void addPair(const std::string& old_code, const std::string& new_code) {
    type(w().txt置換元, old_code);
    type(w().txt置換先, new_code);
    click(w().cmd追加);
  }
  // Connects to a database file on the first tab and picks table and field.
  void connectFile(const std::string& path, const std::string& table, const std::string& field) {
    tab(0);
    type(w().txtMDBパス, path);
    click(w().cmd接続);
    selectText(w().cobテーブル名, table);
    selectText(w().cobフィールド名, field);
  }

  // The status box's lines without the runs' header lines.
  std::string statusLog() const { return withoutRunHeaders(window->txt状況.text()); }

  // Message texts without their padding.
  std::vector<std::string> messageTexts() const {
    std::vector<std::string> out;
    for (const auto& m : windows.messages()) {
      std::string text = m.text;
      while (!text.empty() && text.back() == ' ') text.pop_back();
      out.push_back(text);
    }
    return out;
  }

  // Names of the enabled controls among those given.
  std::vector<std::string> enabled(std::initializer_list<Control*> controls) {
    std::vector<std::string> out;
    for (Control* c : controls) {
      if (c->enabled()) out.push_back(c->name());
    }
    return out;
  }

  TempDir dir;
  HeadlessWindowSystem windows;
  RoutingDatabaseLayer databases;
  NativeFileSystem files;
  NativeCodePage932 code_page;
  TestProcess process;
  Platform platform{windows, databases, files, code_page, process};
  std::unique_ptr<FrmNorvel> window;
};

}  // namespace norvel::testing
