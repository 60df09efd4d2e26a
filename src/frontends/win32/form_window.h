#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ui/twips.h"
#include "ui/window_model.h"

namespace norvel {

class Win32WindowSystem;

// The real window on Windows: renders the window model with the standard controls and forwards
// what the user does into it; every control shows the model's value. Geometry comes from the
// inventory's twips at the window's DPI (laid out again when the DPI changes); the keyboard is
// the dialog manager's (IsDialogMessageW) except where the model has its rules: Tab and Shift+Tab
// walk the inventory's tab order and shared access keys move the focus on (ui/tab_order.h,
// ui/access_keys.h), Enter and the window's other keys go to Form::userPressesKey, Esc to
// Form::userCancels. The status box has a context menu (すべて選択, コピー, ファイルに保存 and the
// model's commands) by mouse, Shift+F10 or the menu key.
class FormWindow : public FormObserver {
 public:
  // Laid out at dpi when given; else (0) at the DPI the window comes up at.
  FormWindow(Form& form, Win32WindowSystem& windows, double dpi = 0);
  ~FormWindow() override;
  FormWindow(const FormWindow&) = delete;
  FormWindow& operator=(const FormWindow&) = delete;

  HWND handle() const { return window_; }
  // The window that shows the control; null for the dialog component.
  HWND handleOf(const Control& control) const;
  double dpi() const { return dpi_; }

  // The keyboard, before a message is dispatched: true when the message was used.
  bool preTranslate(MSG& message);

  void textChanged(Control& control) override;
  void textAppended(Control& control, std::string_view appended) override;
  void itemsReset(Control& control) override;
  void itemAppended(Control& control, const std::string& item) override;
  void itemRemoved(Control& control, int index) override;
  void selectionChanged(Control& control) override;
  void enabledChanged(Control& control) override;
  void valueChanged(Control& control) override;
  void caretMoved(Control& control) override;
  void progressChanged(Control& control) override;
  void droppedDown(Control& control) override;
  void focusChanged(Control* focused) override;
  void tabChanged(int tab) override;
  void pointerChanged(int pointer) override;
  void windowChanged() override;

 private:
  struct Shown {
    Control* control = nullptr;
    HWND handle = nullptr;
    bool on_tab = false;  // a child of the tab control, placed relative to it
    // UTF-16 length of the progress line shown after a status box's text.
    int progress_length = 0;
  };
  class Font;

  static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM w, LPARAM l);
  static LRESULT CALLBACK childProc(HWND window, UINT message, WPARAM w, LPARAM l, UINT_PTR id,
                                    DWORD_PTR data);
  LRESULT handle(UINT message, WPARAM w, LPARAM l);
  LRESULT colour(HWND child, HDC dc, bool from_tab);
  void command(HWND child, int code);

  void create();
  HWND createControl(Control& control, HWND parent);
  void layout();
  void fitCaption(Shown& shown);
  HFONT fontFor(const FontSpec& face, double points);
  Shown* shownOf(HWND handle);
  Shown* shownOf(const Control& control);
  void renderText(Control& control);
  void renderItems(Control& control);
  void showTabPages();
  void renderAll();
  bool pressAccessKey(wchar_t key);
  // The status box's context menu, at the point of a WM_CONTEXTMENU (-1, -1: from the keyboard).
  void showContextMenu(Shown& shown, LPARAM at);
  void copyLog(HWND box);
  void saveLog(const Control& control);

  Form& form_;
  Win32WindowSystem& windows_;
  double dpi_;
  bool dpi_given_;
  HWND window_ = nullptr;
  HWND tabs_ = nullptr;
  std::vector<Shown> shown_;
  std::unordered_map<HWND, std::size_t> by_handle_;
  std::vector<std::unique_ptr<Font>> fonts_;
  HBRUSH window_brush_ = nullptr;
  // Set while the view writes a control, whose notifications are then not the user's.
  int rendering_ = 0;
  bool busy_pointer_ = false;
};

}  // namespace norvel
