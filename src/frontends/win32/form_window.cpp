#include "form_window.h"

#include <commctrl.h>
#include <commdlg.h>
#include <uxtheme.h>
#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <stdexcept>
#include <string>
#include <vector>

#include "control_text.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_text.h"
#include "ui/access_keys.h"
#include "ui/caption_fit.h"
#include "ui/tab_order.h"
#include "win32_window_system.h"

namespace norvel {

using win32::editText;
using win32::utf8FromWide;
using win32::wideFromUtf8;

namespace {

constexpr wchar_t kWindowClass[] = L"NorvelFrmNorvel";
constexpr UINT_PTR kSubclassId = 1;
// Control identifiers, the inventory's order from here: above the dialog manager's own (IDOK,
// IDCANCEL …).
constexpr int kFirstId = 1000;
// The drop-down list of a combo box: its height beyond the closed box.
constexpr double kDropDownTwips = 3000;
// The status box's context menu entries; the model's commands follow from kFirstCommandId.
constexpr UINT kSelectAllId = 1;
constexpr UINT kCopyId = 2;
constexpr UINT kSaveId = 3;
constexpr UINT kFirstCommandId = 100;
// IDC_ARROW and IDC_WAIT, which name narrow resources in a build without UNICODE.
const wchar_t* const kArrowCursor = kArrowCursor;
const wchar_t* const kWaitCursor = kWaitCursor;

}  // namespace

// A font of the inventory; the window owns it while it is selected into its controls.

class FormWindow::Font {
 public:
  Font(const FontSpec& face, double points, double dpi) : face_(face), points_(points), dpi_(dpi) {
    LOGFONTW font{};
    font.lfHeight = -static_cast<LONG>(std::lround(points * dpi / 72.0));
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = SHIFTJIS_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    font.lfPitchAndFamily =
        static_cast<BYTE>(face.fixed_pitch ? FIXED_PITCH | FF_MODERN : VARIABLE_PITCH | FF_SWISS);
    const std::wstring face_name = wideFromUtf8(face.name);
    face_name.copy(font.lfFaceName, std::min<std::size_t>(face_name.size(), LF_FACESIZE - 1));
    handle_ = ::CreateFontIndirectW(&font);
  }
  ~Font() {
    if (handle_ != nullptr) ::DeleteObject(handle_);
  }
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  bool is(const FontSpec& face, double points, double dpi) const {
    return face.name == face_.name && face.fixed_pitch == face_.fixed_pitch && points == points_ &&
           dpi == dpi_;
  }
  HFONT get() const { return handle_; }

 private:
  FontSpec face_;
  double points_;
  double dpi_;
  HFONT handle_ = nullptr;
};

namespace {

std::wstring windowText(HWND window) {
  const int length = ::GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextW(window, text.data(), length + 1)));
  return text;
}

// The UTF-16 position in an EDIT control of a byte offset in the model's text.
int editPosition(std::string_view text, std::size_t byte_offset) {
  return static_cast<int>(editText(text.substr(0, std::min(byte_offset, text.size()))).size());
}

double systemDpi() {
  const HDC screen = ::GetDC(nullptr);
  const int dpi = screen != nullptr ? ::GetDeviceCaps(screen, LOGPIXELSX) : 96;
  if (screen != nullptr) ::ReleaseDC(nullptr, screen);
  return dpi;
}

// Nesting depth: contents are created before (above) what holds them.
int depth(const Control& control) {
  int levels = 0;
  for (const Control* c = control.container(); c != nullptr; c = c->container()) ++levels;
  return levels;
}

DWORD styleOf(const Control& control) {
  const Control::Inventory& inv = control.inventory();
  const DWORD child = WS_CHILD | WS_CLIPSIBLINGS;
  switch (control.kind()) {
    case ControlKind::frame:
      return child | BS_GROUPBOX;
    case ControlKind::tabContainer:
      return child | WS_TABSTOP | TCS_FOCUSONBUTTONDOWN;
    case ControlKind::textBox:
      if (!inv.multi_line) {
        return child | WS_TABSTOP | ES_AUTOHSCROLL | (inv.password ? ES_PASSWORD : 0);
      }
      return child | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_NOHIDESEL |
             (inv.vertical_scroll ? WS_VSCROLL : 0) | (inv.read_only ? ES_READONLY : ES_WANTRETURN);
    case ControlKind::commandButton:
      return child | WS_TABSTOP | BS_PUSHBUTTON;
    case ControlKind::listBox:
      return child | WS_TABSTOP | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_HSCROLL;
    case ControlKind::comboBox:
      return child | WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL;
    case ControlKind::checkBox:
      return child | WS_TABSTOP | BS_CHECKBOX;
    case ControlKind::optionButton:
      return child | WS_TABSTOP | BS_RADIOBUTTON;
    case ControlKind::label:
      return child | SS_CENTERIMAGE | (inv.right_aligned ? SS_RIGHT : SS_LEFT);
    case ControlKind::pictureBox:
      return child;
    case ControlKind::window:
    case ControlKind::fileDialog:
      break;
  }
  return child;
}

const wchar_t* classOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::frame:
    case ControlKind::commandButton:
    case ControlKind::checkBox:
    case ControlKind::optionButton:
      return WC_BUTTONW;
    case ControlKind::tabContainer:
      return WC_TABCONTROLW;
    case ControlKind::textBox:
      return WC_EDITW;
    case ControlKind::listBox:
      return WC_LISTBOXW;
    case ControlKind::comboBox:
      return WC_COMBOBOXW;
    default:
      return WC_STATICW;
  }
}

DWORD windowStyle(const Form& form) {
  // No maximize: the layout is the inventory's, at one size.
  DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  if (form.sizable()) style |= WS_MAXIMIZEBOX | WS_THICKFRAME;
  return style;
}

}  // namespace

FormWindow::FormWindow(Form& form, Win32WindowSystem& windows, double dpi)
    : form_(form), windows_(windows), dpi_(dpi > 0 ? dpi : systemDpi()), dpi_given_(dpi > 0) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  window_brush_ = ::GetSysColorBrush(COLOR_WINDOW);
  create();
  windows_.attach(form_, window_, [this](MSG& message) { return preTranslate(message); });
  form_.addObserver(this);
  renderAll();
}

FormWindow::~FormWindow() {
  form_.removeObserver(this);
  if (window_ != nullptr) {
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    ::DestroyWindow(window_);
  }
}

HWND FormWindow::handleOf(const Control& control) const {
  for (const Shown& shown : shown_) {
    if (shown.control == &control) return shown.handle;
  }
  return &control == &form_.window() ? window_ : nullptr;
}

FormWindow::Shown* FormWindow::shownOf(HWND handle) {
  const auto found = by_handle_.find(handle);
  return found == by_handle_.end() ? nullptr : &shown_[found->second];
}

FormWindow::Shown* FormWindow::shownOf(const Control& control) {
  for (Shown& shown : shown_) {
    if (shown.control == &control) return &shown;
  }
  return nullptr;
}

HFONT FormWindow::fontFor(const FontSpec& face, double points) {
  for (const auto& font : fonts_) {
    if (font->is(face, points, dpi_)) return font->get();
  }
  fonts_.push_back(std::make_unique<Font>(face, points, dpi_));
  return fonts_.back()->get();
}

void FormWindow::create() {
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  if (!::GetClassInfoExW(instance, kWindowClass, &window_class)) {
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = &FormWindow::windowProc;
    window_class.hInstance = instance;
    window_class.hCursor = ::LoadCursorW(nullptr, kArrowCursor);
    window_class.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
    window_class.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(1));
    window_class.hIconSm = window_class.hIcon;
    window_class.lpszClassName = kWindowClass;
    if (::RegisterClassExW(&window_class) == 0) {
      throw std::runtime_error("RegisterClassEx: " + win32::systemErrorText(::GetLastError()));
    }
  }
  Control& model = form_.window();
  window_ = ::CreateWindowExW(WS_EX_CONTROLPARENT, kWindowClass, wideFromUtf8(model.text()).c_str(),
                              windowStyle(form_), CW_USEDEFAULT, CW_USEDEFAULT, 100, 100, nullptr,
                              nullptr, instance, this);
  if (window_ == nullptr) {
    throw std::runtime_error("CreateWindowEx: " + win32::systemErrorText(::GetLastError()));
  }
  // The window may have come up at another DPI than the system's (PerMonitorV2).
  if (const UINT window_dpi = ::GetDpiForWindow(window_); window_dpi != 0 && !dpi_given_) {
    dpi_ = window_dpi;
  }

  std::vector<Control*> order;
  for (const auto& owned : form_.controls()) {
    Control& control = *owned;
    if (&control == &model || control.kind() == ControlKind::fileDialog) continue;
    order.push_back(&control);
  }
  // Child windows stack in creation order, the first on top: what a container holds goes first,
  // and a backdrop after what it lies under.
  std::stable_sort(order.begin(), order.end(), [](const Control* a, const Control* b) {
    const int da = depth(*a);
    const int db = depth(*b);
    if (da != db) return da > db;
    return (a->kind() != ControlKind::pictureBox) && (b->kind() == ControlKind::pictureBox);
  });
  // The tab control first: its pages' controls are its children.
  for (Control* control : order) {
    if (control->kind() == ControlKind::tabContainer) createControl(*control, window_);
  }
  for (Control* control : order) {
    if (control->kind() == ControlKind::tabContainer) continue;
    const bool on_tab = control->container() != nullptr &&
                        control->container()->kind() == ControlKind::tabContainer &&
                        control->inventory().tab >= 0 && tabs_ != nullptr;
    createControl(*control, on_tab ? tabs_ : window_);
  }
  layout();
}

HWND FormWindow::createControl(Control& control, HWND parent) {
  const Control::Inventory& inv = control.inventory();
  // Each control's identifier is its place in the inventory, the same in every build.
  int id = kFirstId;
  for (const auto& owned : form_.controls()) {
    if (owned.get() == &control) break;
    ++id;
  }
  DWORD ex_style = 0;
  if (control.kind() == ControlKind::textBox || control.kind() == ControlKind::listBox) {
    ex_style = WS_EX_CLIENTEDGE;
  }
  const std::wstring caption =
      control.kind() == ControlKind::textBox ? std::wstring() : wideFromUtf8(control.text());
  HWND handle = ::CreateWindowExW(
      ex_style, classOf(control.kind()), caption.c_str(), styleOf(control), 0, 0, 0, 0, parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr), nullptr);
  if (handle == nullptr) {
    throw std::runtime_error("CreateWindowEx " + control.displayName() + ": " +
                             win32::systemErrorText(::GetLastError()));
  }
  Shown shown;
  shown.control = &control;
  shown.handle = handle;
  shown.on_tab = parent != window_;
  by_handle_[handle] = shown_.size();
  shown_.push_back(shown);
  ::SetWindowSubclass(handle, &FormWindow::childProc, kSubclassId,
                      reinterpret_cast<DWORD_PTR>(this));

  if (control.kind() == ControlKind::tabContainer) {
    tabs_ = handle;
    int index = 0;
    for (const std::string& tab_caption : inv.tab_captions) {
      std::wstring text = wideFromUtf8(tab_caption);
      TCITEMW item{};
      item.mask = TCIF_TEXT;
      item.pszText = text.data();
      ::SendMessageW(handle, TCM_INSERTITEMW, index++, reinterpret_cast<LPARAM>(&item));
    }
  } else if (control.kind() == ControlKind::textBox && inv.multi_line) {
    // The status box grows to tens of thousands of lines.
    ::SendMessageW(handle, EM_SETLIMITTEXT, 0, 0);
  } else if (control.kind() == ControlKind::textBox) {
    ::SendMessageW(handle, EM_SETLIMITTEXT, 0, 0);
  }
  if (!inv.tool_tip.empty()) {
    HWND tip = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                 window_, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    std::wstring text = wideFromUtf8(inv.tool_tip);
    TOOLINFOW info{};
    info.cbSize = sizeof info;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = window_;
    info.uId = reinterpret_cast<UINT_PTR>(handle);
    info.lpszText = text.data();
    ::SendMessageW(tip, TTM_SETMAXTIPWIDTH, 0, ::MulDiv(360, static_cast<int>(dpi_), 96));
    ::SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
  }
  return handle;
}

void FormWindow::layout() {
  const Control::Inventory& window_inv = form_.window().inventory();
  const HFONT window_font = fontFor(window_inv.font, window_inv.font.points);
  ::SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(window_font), FALSE);
  RECT outer{0, 0, twipsToPixels(window_inv.layout.width, dpi_),
             twipsToPixels(window_inv.layout.height, dpi_)};
  const LONG style = ::GetWindowLongW(window_, GWL_STYLE);
  ::AdjustWindowRectExForDpi(&outer, static_cast<DWORD>(style), FALSE, WS_EX_CONTROLPARENT,
                             static_cast<UINT>(dpi_));
  ::SetWindowPos(window_, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

  PixelRect tab_area;
  if (tabs_ != nullptr) {
    if (Shown* tabs = shownOf(tabs_)) {
      const PixelRect placed = windowPixels(*tabs->control, dpi_);
      ::SendMessageW(tabs_, WM_SETFONT,
                     reinterpret_cast<WPARAM>(fontFor(tabs->control->inventory().font,
                                                      tabs->control->inventory().font.points)),
                     FALSE);
      ::MoveWindow(tabs_, placed.left, placed.top, placed.width, placed.height, TRUE);
    }
  }
  for (Shown& shown : shown_) {
    const Control& control = *shown.control;
    if (shown.handle == tabs_) continue;
    ::SendMessageW(shown.handle, WM_SETFONT,
                   reinterpret_cast<WPARAM>(
                       fontFor(control.inventory().font, control.inventory().font.points)),
                   FALSE);
    PixelRect placed = shown.on_tab ? twipsToPixels(control.inventory().layout, dpi_)
                                    : windowPixels(control, dpi_);
    if (control.kind() == ControlKind::comboBox) {
      placed.height += twipsToPixels(kDropDownTwips, dpi_);
    }
    ::MoveWindow(shown.handle, placed.left, placed.top, placed.width, placed.height, TRUE);
  }
  for (Shown& shown : shown_) fitCaption(shown);
  ::InvalidateRect(window_, nullptr, TRUE);
}

// Labels, check boxes and buttons whose captions run wider in this system's fonts than the
// inventory allowed for get the room beside them, or a smaller font (ui/caption_fit.h).
void FormWindow::fitCaption(Shown& shown) {
  const Control& control = *shown.control;
  const ControlKind kind = control.kind();
  if (kind != ControlKind::label && kind != ControlKind::checkBox &&
      kind != ControlKind::commandButton) {
    return;
  }
  const PixelRect placed =
      shown.on_tab ? twipsToPixels(control.inventory().layout, dpi_) : windowPixels(control, dpi_);
  // The room, in the coordinates of the control's parent window.
  CaptionRoom room;
  room.gap = captionGap(dpi_);
  PixelRect origin;  // where the parent window sits in the client area
  if (shown.on_tab) {
    RECT inside;
    ::GetClientRect(tabs_, &inside);
    ::SendMessageW(tabs_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&inside));
    room.bounds = {inside.left, inside.top, inside.right - inside.left, inside.bottom - inside.top};
    if (Shown* tabs = shownOf(tabs_)) origin = windowPixels(*tabs->control, dpi_);
  } else if (const Control* container = control.container();
             container != nullptr && container->kind() == ControlKind::frame) {
    // Inside a group box's line, below its caption's half.
    const PixelRect frame = windowPixels(*container, dpi_);
    const int line = std::max(1, static_cast<int>(std::lround(dpi_ / 48)));
    room.bounds = {frame.left + line, frame.top + line, frame.width - 2 * line,
                   frame.height - 2 * line};
  } else if (const Control* holder = control.container();
             holder != nullptr && holder->kind() != ControlKind::window) {
    room.bounds = windowPixels(*holder, dpi_);
  } else {
    RECT client;
    ::GetClientRect(window_, &client);
    room.bounds = {0, 0, client.right, client.bottom};
  }
  for (const Control* other : captionNeighbours(form_, control)) {
    room.boxes.push_back(windowPixels(*other, dpi_).translated(-origin.left, -origin.top));
  }
  const std::wstring shown_text = wideFromUtf8(withoutAccessMarks(control.text()));
  const HDC dc = ::GetDC(shown.handle);
  const auto width_at = [&](double points) {
    const HGDIOBJ old = ::SelectObject(dc, fontFor(control.inventory().font, points));
    SIZE size{};
    ::GetTextExtentPoint32W(dc, shown_text.c_str(), static_cast<int>(shown_text.size()), &size);
    ::SelectObject(dc, old);
    const int pixel = static_cast<int>(std::lround(dpi_ / 96));
    switch (kind) {
      case ControlKind::checkBox:
        // The box, and the space Windows leaves between it and the text.
        return size.cx + ::GetSystemMetricsForDpi(SM_CXMENUCHECK, static_cast<UINT>(dpi_)) +
               4 * pixel;
      case ControlKind::commandButton:
        // The bevel and the focus rectangle inside it.
        return size.cx + 8 * pixel;
      default:
        return size.cx + 2 * pixel;
    }
  };
  const FittedCaption fitted =
      norvel::fitCaption(control, placed, control.inventory().font.points, room, width_at);
  ::ReleaseDC(shown.handle, dc);
  ::MoveWindow(shown.handle, fitted.geometry.left, fitted.geometry.top, fitted.geometry.width,
               fitted.geometry.height, TRUE);
  ::SendMessageW(shown.handle, WM_SETFONT,
                 reinterpret_cast<WPARAM>(fontFor(control.inventory().font, fitted.points)), TRUE);
  if (kind == ControlKind::label && fitted.centred) {
    LONG style = ::GetWindowLongW(shown.handle, GWL_STYLE);
    style = (style & ~(SS_RIGHT | SS_LEFT)) | SS_CENTER;
    ::SetWindowLongW(shown.handle, GWL_STYLE, style);
  }
}

LRESULT CALLBACK FormWindow::windowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(l);
    auto* self = static_cast<FormWindow*>(create->lpCreateParams);
    self->window_ = window;
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<FormWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return ::DefWindowProcW(window, message, w, l);
  return self->handle(message, w, l);
}

// The controls: their focus is the model's; the tab control passes its pages' notifications on
// to the window, which handles them all.
LRESULT CALLBACK FormWindow::childProc(HWND window, UINT message, WPARAM w, LPARAM l,
                                       UINT_PTR /*id*/, DWORD_PTR data) {
  auto* self = reinterpret_cast<FormWindow*>(data);
  switch (message) {
    case WM_SETFOCUS:
      if (Shown* shown = self->shownOf(window); shown != nullptr && self->rendering_ == 0) {
        self->form_.userFocuses(*shown->control);
      }
      break;
    case WM_COMMAND:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
      if (window == self->tabs_) {
        if (message == WM_COMMAND) {
          self->command(reinterpret_cast<HWND>(l), HIWORD(w));
          return 0;
        }
        return self->colour(reinterpret_cast<HWND>(l), reinterpret_cast<HDC>(w), true);
      }
      break;
    case WM_ERASEBKGND:
      // A group box draws its line and caption only; what lies inside it is the window's face.
      if (Shown* shown = self->shownOf(window);
          shown != nullptr && shown->control->kind() == ControlKind::frame) {
        RECT inside;
        ::GetClientRect(window, &inside);
        ::FillRect(reinterpret_cast<HDC>(w), &inside, ::GetSysColorBrush(COLOR_BTNFACE));
        return TRUE;
      }
      break;
    case WM_CONTEXTMENU:
      // The status box's menu replaces the edit control's own, whose entries edit.
      if (Shown* shown = self->shownOf(window);
          shown != nullptr && shown->control->kind() == ControlKind::textBox &&
          shown->control->inventory().multi_line && shown->control->inventory().read_only) {
        self->showContextMenu(*shown, l);
        return 0;
      }
      break;
    case WM_NCDESTROY:
      ::RemoveWindowSubclass(window, &FormWindow::childProc, kSubclassId);
      break;
    default:
      break;
  }
  return ::DefSubclassProc(window, message, w, l);
}

LRESULT FormWindow::colour(HWND child, HDC dc, bool from_tab) {
  const Shown* shown = shownOf(child);
  if (shown != nullptr && shown->control->kind() == ControlKind::textBox) {
    // A read-only box is still a box to read in: white, as the others.
    ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    return reinterpret_cast<LRESULT>(window_brush_);
  }
  if (from_tab && ::IsAppThemed()) {
    // The themed tab body shows through labels and check boxes on a page.
    ::SetBkMode(dc, TRANSPARENT);
    ::DrawThemeParentBackground(child, dc, nullptr);
    return reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
  }
  ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
  ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
  return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
}

void FormWindow::command(HWND child, int code) {
  Shown* shown = shownOf(child);
  if (shown == nullptr || rendering_ > 0) return;
  Control& control = *shown->control;
  switch (control.kind()) {
    case ControlKind::textBox:
      if (code == EN_CHANGE) {
        form_.userTypes(control, utf8FromWide(windowText(child)));
        if (wideFromUtf8(control.text()) != windowText(child)) renderText(control);
      }
      break;
    case ControlKind::commandButton:
      if (code == BN_CLICKED) {
        form_.userClicks(control, ::GetKeyState(VK_SHIFT) < 0 ? kShiftMask : 0);
      }
      break;
    case ControlKind::checkBox:
    case ControlKind::optionButton:
      if (code == BN_CLICKED) {
        const bool ticked =
            control.kind() == ControlKind::optionButton || control.value() != kChecked;
        form_.userChecks(control, ticked ? kChecked : kUnchecked);
        valueChanged(control);
      }
      break;
    case ControlKind::listBox:
      if (code == LBN_SELCHANGE) {
        form_.userSelects(control, static_cast<int>(::SendMessageW(child, LB_GETCURSEL, 0, 0)));
        selectionChanged(control);
      }
      break;
    case ControlKind::comboBox:
      if (code == CBN_SELCHANGE) {
        form_.userSelects(control, static_cast<int>(::SendMessageW(child, CB_GETCURSEL, 0, 0)));
        selectionChanged(control);
      } else if (code == CBN_CLOSEUP) {
        control.closeDropDown();
      }
      break;
    default:
      break;
  }
}

LRESULT FormWindow::handle(UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_COMMAND:
      if (l != 0) command(reinterpret_cast<HWND>(l), HIWORD(w));
      return 0;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(l);
      if (header->hwndFrom == tabs_ && header->code == TCN_SELCHANGE && rendering_ == 0) {
        const int tab = static_cast<int>(::SendMessageW(tabs_, TCM_GETCURSEL, 0, 0));
        form_.userSelectsTab(tab);
        if (form_.currentTab() != tab) tabChanged(form_.currentTab());
        showTabPages();
      }
      return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
      return colour(reinterpret_cast<HWND>(l), reinterpret_cast<HDC>(w), false);
    case WM_SETCURSOR:
      if (busy_pointer_) {
        ::SetCursor(::LoadCursorW(nullptr, kWaitCursor));
        return TRUE;
      }
      break;
    case Win32WindowSystem::kDropDownMessage:
      if (!form_.terminated()) {
        if (Control* focused = form_.focus()) focused->dropDown();
      }
      return 0;
    case WM_DPICHANGED: {
      dpi_ = HIWORD(w);
      const auto* suggested = reinterpret_cast<const RECT*>(l);
      ::SetWindowPos(window_, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
      layout();
      return 0;
    }
    case WM_CLOSE:
      // The unload handler decides; it ends the program, or the window stays.
      if (!form_.terminated()) form_.userCloses();
      return 0;
    case WM_ACTIVATE:
      // Back in the window, the focus goes where the model has it.
      if (LOWORD(w) != WA_INACTIVE) {
        focusChanged(form_.focus());
        return 0;
      }
      break;
    default:
      break;
  }
  return ::DefWindowProcW(window_, message, w, l);
}

bool FormWindow::pressAccessKey(wchar_t key) {
  char32_t upper = key;
  if (upper >= U'a' && upper <= U'z') upper -= U'a' - U'A';
  const AccessKeyTarget target = accessKeyTarget(form_, upper, form_.focus());
  if (target.control == nullptr) return false;
  const HWND handle = handleOf(*target.control);
  if (handle == nullptr) return false;
  const ControlKind kind = target.control->kind();
  if (target.press && (kind == ControlKind::commandButton || kind == ControlKind::checkBox)) {
    ::SetFocus(handle);
    ::SendMessageW(handle, BM_CLICK, 0, 0);
  } else {
    ::SetFocus(handle);
  }
  return true;
}

bool FormWindow::preTranslate(MSG& message) {
  if (message.hwnd != window_ && !::IsChild(window_, message.hwnd)) return false;
  const bool shift = ::GetKeyState(VK_SHIFT) < 0;
  const bool control_key = ::GetKeyState(VK_CONTROL) < 0;
  const bool alt = ::GetKeyState(VK_MENU) < 0;
  Shown* shown = shownOf(message.hwnd);
  // A combo box's edit-less list belongs to the combo box.
  if (shown == nullptr) shown = shownOf(::GetParent(message.hwnd));
  if (message.message == WM_KEYDOWN && !control_key && !alt) {
    switch (message.wParam) {
      case VK_TAB: {
        Control* target = nextInTabOrder(form_, form_.focus(), !shift, [this](const Control& c) {
          const HWND handle = handleOf(c);
          return handle != nullptr && ::IsWindowVisible(handle) && ::IsWindowEnabled(handle);
        });
        if (target != nullptr) {
          const HWND handle = handleOf(*target);
          ::SetFocus(handle);
          // As the dialog manager does: a single-line box reached by Tab has its text selected.
          if (target->kind() == ControlKind::textBox && !target->inventory().multi_line) {
            ::SendMessageW(handle, EM_SETSEL, 0, -1);
          }
        }
        return true;
      }
      case VK_ESCAPE:
        if (shown != nullptr && shown->control->kind() == ControlKind::comboBox &&
            ::SendMessageW(shown->handle, CB_GETDROPPEDSTATE, 0, 0) != 0) {
          break;
        }
        form_.userCancels();
        return true;
      case VK_RETURN:
        if (shown != nullptr && shown->control->kind() == ControlKind::comboBox &&
            ::SendMessageW(shown->handle, CB_GETDROPPEDSTATE, 0, 0) != 0) {
          break;
        }
        if (shown != nullptr &&
            form_.userPressesKey(*shown->control, Key::enter, shift ? kShiftMask : 0)) {
          return true;
        }
        break;
      case VK_DELETE:
        if (shown != nullptr && !shift && form_.userPressesKey(*shown->control, Key::del)) {
          return true;
        }
        break;
      case VK_LEFT:
      case VK_RIGHT:
        if (shown != nullptr && !shift &&
            form_.userPressesKey(*shown->control,
                                 message.wParam == VK_LEFT ? Key::left : Key::right)) {
          return true;
        }
        break;
      default:
        break;
    }
  }
  // Ctrl+Z: the model's undo where the focused control has one (the status box).
  if (message.message == WM_KEYDOWN && control_key && !alt && !shift && message.wParam == 'Z' &&
      shown != nullptr && form_.userPressesKey(*shown->control, Key::undo)) {
    return true;
  }
  if (message.message == WM_SYSCHAR && alt) {
    if (pressAccessKey(static_cast<wchar_t>(message.wParam))) return true;
  }
  return ::IsDialogMessageW(window_, &message) != 0;
}

namespace {

// A popup menu, destroyed with its owner.
class PopupMenu {
 public:
  PopupMenu() : menu_(::CreatePopupMenu()) {
    if (menu_ == nullptr) throw std::runtime_error(win32::systemErrorText(::GetLastError()));
  }
  ~PopupMenu() { ::DestroyMenu(menu_); }
  PopupMenu(const PopupMenu&) = delete;
  PopupMenu& operator=(const PopupMenu&) = delete;

  void add(UINT id, const std::string& text, bool enabled) {
    ::AppendMenuW(menu_, MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED), id,
                  wideFromUtf8(text).c_str());
  }
  void separator() { ::AppendMenuW(menu_, MF_SEPARATOR, 0, nullptr); }
  HMENU get() const { return menu_; }

 private:
  HMENU menu_;
};

}  // namespace

void FormWindow::showContextMenu(Shown& shown, LPARAM at) {
  Control& control = *shown.control;
  POINT point{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
  if (point.x == -1 && point.y == -1) {
    // From the keyboard: at the box's top left rather than where the mouse is.
    RECT box;
    ::GetWindowRect(shown.handle, &box);
    point = {box.left + 4, box.top + 4};
  }
  const bool empty = control.text().empty();
  const std::vector<Command> commands = form_.commandsOf(control);
  PopupMenu menu;
  menu.add(kSelectAllId, "すべて選択(&A)\tCtrl+A", !empty);
  menu.add(kCopyId, "コピー(&C)\tCtrl+C", !empty);
  menu.separator();
  menu.add(kSaveId, "ファイルに保存(&S)...", !empty);
  if (!commands.empty()) menu.separator();
  for (std::size_t i = 0; i < commands.size(); ++i) {
    const std::string key = commands[i] == Command::undoLastRun ? "\tCtrl+Z" : "";
    menu.add(kFirstCommandId + static_cast<UINT>(i), std::string(commandCaption(commands[i])) + key,
             form_.commandEnabled(control, commands[i]));
  }
  const UINT chosen = static_cast<UINT>(
      ::TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN,
                       point.x, point.y, 0, window_, nullptr));
  switch (chosen) {
    case 0:
      return;
    case kSelectAllId:
      ::SendMessageW(shown.handle, EM_SETSEL, 0, -1);
      return;
    case kCopyId:
      copyLog(shown.handle);
      return;
    case kSaveId:
      saveLog(control);
      return;
    default:
      if (chosen >= kFirstCommandId && chosen - kFirstCommandId < commands.size()) {
        form_.userChoosesCommand(control, commands[chosen - kFirstCommandId]);
      }
      return;
  }
}

// Without a selection of its own, the box copies the whole log.
void FormWindow::copyLog(HWND box) {
  DWORD start = 0;
  DWORD end = 0;
  ::SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  if (start != end) {
    ::SendMessageW(box, WM_COPY, 0, 0);
    return;
  }
  ::SendMessageW(box, EM_SETSEL, 0, -1);
  ::SendMessageW(box, WM_COPY, 0, 0);
  ::SendMessageW(box, EM_SETSEL, start, end);
}

// The log as UTF-8 text, written beside and renamed over: a failure keeps a file that was there.
void FormWindow::saveLog(const Control& control) {
  std::vector<wchar_t> file(32768, L'\0');
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  wchar_t name[64];
  ::swprintf(name, 64, L"norvel-状況-%04u%02u%02u-%02u%02u%02u.txt", now.wYear, now.wMonth,
             now.wDay, now.wHour, now.wMinute, now.wSecond);
  std::wcsncpy(file.data(), name, file.size() - 1);
  const std::wstring filter = std::wstring(L"テキスト ファイル (*.txt)") + L'\0' + L"*.txt" +
                              L'\0' + L"すべてのファイル (*.*)" + L'\0' + L"*.*" + L'\0';
  const std::wstring title = L"状況をファイルに保存";
  OPENFILENAMEW box{};
  box.lStructSize = sizeof(box);
  box.hwndOwner = window_;
  box.lpstrFilter = filter.c_str();
  box.lpstrFile = file.data();
  box.nMaxFile = static_cast<DWORD>(file.size());
  box.lpstrTitle = title.c_str();
  box.lpstrDefExt = L"txt";
  box.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY |
              OFN_NOCHANGEDIR | OFN_LONGNAMES;
  if (!::GetSaveFileNameW(&box)) return;
  const std::string path = utf8FromWide(file.data());
  try {
    Win32FileSystem().replaceFile(path, control.text());
  } catch (const std::exception& error) {
    ::MessageBoxW(
        window_,
        wideFromUtf8("状況を保存できませんでした。\r\n" + std::string(error.what())).c_str(),
        windowText(window_).c_str(), MB_OK | MB_ICONWARNING);
  }
}

void FormWindow::renderText(Control& control) {
  const HWND handle = handleOf(control);
  if (handle == nullptr) return;
  ++rendering_;
  if (handle == window_) {
    ::SetWindowTextW(window_, wideFromUtf8(control.text()).c_str());
  } else if (control.kind() == ControlKind::textBox) {
    Shown* shown = shownOf(control);
    std::wstring text = editText(control.text());
    if (shown != nullptr && shown->progress_length > 0) {
      shown->progress_length = 0;
      progressChanged(control);
    }
    if (windowText(handle) != text) ::SetWindowTextW(handle, text.c_str());
    if (shown != nullptr && !control.progressLine().empty()) progressChanged(control);
  } else {
    ::SetWindowTextW(handle, wideFromUtf8(control.text()).c_str());
  }
  --rendering_;
}

void FormWindow::textChanged(Control& control) {
  renderText(control);
}

void FormWindow::textAppended(Control& control, std::string_view appended) {
  Shown* shown = shownOf(control);
  if (shown == nullptr || control.kind() != ControlKind::textBox ||
      !control.inventory().multi_line) {
    renderText(control);
    return;
  }
  ++rendering_;
  const HWND handle = shown->handle;
  // Only the new text goes in, before the progress line: the box is never set again whole.
  const int length = ::GetWindowTextLengthW(handle);
  const int at = length - shown->progress_length;
  std::wstring text = editText(appended);
  // A line end split between two appends (CR, then LF) is already shown whole.
  const std::string& whole = control.text();
  if (!appended.empty() && appended.front() == '\n' && whole.size() > appended.size() &&
      whole[whole.size() - appended.size() - 1] == '\r') {
    text.erase(0, 2);
  }
  ::SendMessageW(handle, EM_SETSEL, at, at);
  ::SendMessageW(handle, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
  --rendering_;
}

void FormWindow::progressChanged(Control& control) {
  Shown* shown = shownOf(control);
  if (shown == nullptr || control.kind() != ControlKind::textBox) return;
  ++rendering_;
  const HWND handle = shown->handle;
  const int length = ::GetWindowTextLengthW(handle);
  ::SendMessageW(handle, EM_SETSEL, length - shown->progress_length, length);
  const std::wstring line =
      control.progressLine().empty() ? std::wstring() : editText(control.progressLine());
  ::SendMessageW(handle, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(line.c_str()));
  shown->progress_length = static_cast<int>(line.size());
  ::SendMessageW(handle, EM_SCROLLCARET, 0, 0);
  --rendering_;
}

void FormWindow::renderItems(Control& control) {
  const HWND handle = handleOf(control);
  if (handle == nullptr) return;
  ++rendering_;
  const bool list = control.kind() == ControlKind::listBox;
  ::SendMessageW(handle, WM_SETREDRAW, FALSE, 0);
  ::SendMessageW(handle, list ? LB_RESETCONTENT : CB_RESETCONTENT, 0, 0);
  for (const std::string& item : control.items()) {
    const std::wstring text = wideFromUtf8(item);
    ::SendMessageW(handle, list ? LB_ADDSTRING : CB_ADDSTRING, 0,
                   reinterpret_cast<LPARAM>(text.c_str()));
  }
  ::SendMessageW(handle, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(handle, nullptr, TRUE);
  --rendering_;
  selectionChanged(control);
}

void FormWindow::itemsReset(Control& control) {
  renderItems(control);
}

void FormWindow::itemAppended(Control& control, const std::string& item) {
  const HWND handle = handleOf(control);
  if (handle == nullptr) return;
  ++rendering_;
  const std::wstring text = wideFromUtf8(item);
  const bool list = control.kind() == ControlKind::listBox;
  const auto index = ::SendMessageW(handle, list ? LB_ADDSTRING : CB_ADDSTRING, 0,
                                    reinterpret_cast<LPARAM>(text.c_str()));
  // A pair the user adds is shown; a list loaded before the window appears stays at its top.
  if (list && ::IsWindowVisible(handle)) ::SendMessageW(handle, LB_SETTOPINDEX, index, 0);
  --rendering_;
  selectionChanged(control);
}

void FormWindow::itemRemoved(Control& control, int index) {
  const HWND handle = handleOf(control);
  if (handle == nullptr) return;
  ++rendering_;
  ::SendMessageW(handle, control.kind() == ControlKind::listBox ? LB_DELETESTRING : CB_DELETESTRING,
                 index, 0);
  --rendering_;
  selectionChanged(control);
}

void FormWindow::selectionChanged(Control& control) {
  const HWND handle = handleOf(control);
  if (handle == nullptr) return;
  ++rendering_;
  if (control.kind() == ControlKind::listBox) {
    if (::SendMessageW(handle, LB_GETCURSEL, 0, 0) != control.selectedIndex()) {
      ::SendMessageW(handle, LB_SETCURSEL, control.selectedIndex(), 0);
    }
  } else if (control.kind() == ControlKind::comboBox) {
    if (::SendMessageW(handle, CB_GETCURSEL, 0, 0) != control.selectedIndex()) {
      ::SendMessageW(handle, CB_SETCURSEL, control.selectedIndex(), 0);
    }
  }
  --rendering_;
}

void FormWindow::enabledChanged(Control& control) {
  const HWND handle = handleOf(control);
  if (handle != nullptr && handle != window_) ::EnableWindow(handle, control.enabled());
}

void FormWindow::valueChanged(Control& control) {
  const HWND handle = handleOf(control);
  if (handle == nullptr || handle == window_) return;
  if (control.kind() != ControlKind::checkBox && control.kind() != ControlKind::optionButton) {
    return;
  }
  ++rendering_;
  if (control.value() == kGrayed) {
    ::SendMessageW(handle, BM_SETSTYLE, BS_3STATE, TRUE);
  }
  const WPARAM state = control.value() == kChecked  ? BST_CHECKED
                       : control.value() == kGrayed ? BST_INDETERMINATE
                                                    : BST_UNCHECKED;
  ::SendMessageW(handle, BM_SETCHECK, state, 0);
  --rendering_;
}

void FormWindow::caretMoved(Control& control) {
  Shown* shown = shownOf(control);
  if (shown == nullptr || control.kind() != ControlKind::textBox) return;
  ++rendering_;
  const std::string& text = control.text();
  // The common case, the end of a growing status box, needs no measuring.
  const int position = control.selectionStart() >= text.size()
                           ? ::GetWindowTextLengthW(shown->handle) - shown->progress_length
                           : editPosition(text, control.selectionStart());
  ::SendMessageW(shown->handle, EM_SETSEL, position, position);
  ::SendMessageW(shown->handle, EM_SCROLLCARET, 0, 0);
  --rendering_;
}

void FormWindow::droppedDown(Control& control) {
  const HWND handle = handleOf(control);
  if (handle != nullptr && control.kind() == ControlKind::comboBox && ::IsWindowVisible(handle)) {
    ::SendMessageW(handle, CB_SHOWDROPDOWN, TRUE, 0);
  }
}

void FormWindow::focusChanged(Control* focused) {
  ++rendering_;
  if (focused == nullptr) {
    // The window keeps the focus without a focused control: disabling the control that had it
    // does not pass the focus on behind the model's back.
    if (::GetActiveWindow() == window_) ::SetFocus(window_);
  } else if (const HWND handle = handleOf(*focused); handle != nullptr && ::GetFocus() != handle) {
    ::SetFocus(handle);
  }
  --rendering_;
}

void FormWindow::showTabPages() {
  const int current = form_.currentTab();
  for (const Shown& shown : shown_) {
    if (!shown.on_tab) continue;
    ::ShowWindow(shown.handle, shown.control->inventory().tab == current ? SW_SHOWNA : SW_HIDE);
  }
}

void FormWindow::tabChanged(int tab) {
  if (tabs_ == nullptr) return;
  ++rendering_;
  if (::SendMessageW(tabs_, TCM_GETCURSEL, 0, 0) != tab)
    ::SendMessageW(tabs_, TCM_SETCURSEL, tab, 0);
  --rendering_;
  showTabPages();
}

void FormWindow::pointerChanged(int pointer) {
  busy_pointer_ = pointer != kPointerDefault;
  ::SetCursor(::LoadCursorW(nullptr, busy_pointer_ ? kWaitCursor : kArrowCursor));
}

void FormWindow::windowChanged() {
  const DWORD wanted = windowStyle(form_);
  const LONG style = ::GetWindowLongW(window_, GWL_STYLE);
  const DWORD kept = static_cast<DWORD>(style) & (WS_VISIBLE | WS_MINIMIZE | WS_DISABLED);
  if ((static_cast<DWORD>(style) & ~(WS_VISIBLE | WS_MINIMIZE | WS_DISABLED)) != wanted) {
    ::SetWindowLongW(window_, GWL_STYLE, static_cast<LONG>(wanted | kept));
    ::SetWindowPos(window_, nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  }
  // No close command: the system menu has none, and the title bar's close box is off.
  if (HMENU menu = ::GetSystemMenu(window_, FALSE)) {
    ::EnableMenuItem(menu, SC_CLOSE,
                     MF_BYCOMMAND | (form_.hasCloseCommand() ? MF_ENABLED : MF_GRAYED));
    if (!form_.sizable()) {
      ::DeleteMenu(menu, SC_MAXIMIZE, MF_BYCOMMAND);
      ::DeleteMenu(menu, SC_SIZE, MF_BYCOMMAND);
    }
  }
  RECT now;
  ::GetWindowRect(window_, &now);
  const int left = twipsToPixels(form_.left(), dpi_);
  const int top = twipsToPixels(form_.top(), dpi_);
  if (now.left != left || now.top != top) {
    ::SetWindowPos(window_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (form_.visible() && !::IsWindowVisible(window_) && !form_.terminated()) {
    ::ShowWindow(window_, SW_SHOW);
    ::UpdateWindow(window_);
  }
}

void FormWindow::renderAll() {
  for (Shown& shown : shown_) {
    Control& control = *shown.control;
    switch (control.kind()) {
      case ControlKind::listBox:
      case ControlKind::comboBox:
        renderItems(control);
        break;
      case ControlKind::checkBox:
      case ControlKind::optionButton:
        valueChanged(control);
        renderText(control);
        break;
      default:
        renderText(control);
        break;
    }
    enabledChanged(control);
    if (!shown.on_tab) ::ShowWindow(shown.handle, SW_SHOWNA);
  }
  renderText(form_.window());
  tabChanged(form_.currentTab());
  pointerChanged(form_.applicationPointer());
  windowChanged();
  focusChanged(form_.focus());
}

}  // namespace norvel
