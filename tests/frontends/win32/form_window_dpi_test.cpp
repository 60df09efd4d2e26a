#include <gtest/gtest.h>
#include <windows.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "frontends/win32/form_window.h"
#include "frontends/win32/win32_window_system.h"
#include "support/window_harness.h"

namespace norvel {
namespace {

// Where a window lies in its parent and the height of its font: what a re-layout has to get
// right.
struct Placed {
  std::wstring window_class;
  int id = 0;
  RECT rect{};
  LONG font_height = 0;
};

std::string describe(const Placed& placed) {
  std::string text(placed.window_class.begin(), placed.window_class.end());
  return text + " #" + std::to_string(placed.id) + " (" + std::to_string(placed.rect.left) + "," +
         std::to_string(placed.rect.top) + ")-(" + std::to_string(placed.rect.right) + "," +
         std::to_string(placed.rect.bottom) + ") font " + std::to_string(placed.font_height);
}

Placed placedOf(HWND window, HWND parent) {
  Placed placed;
  wchar_t name[64] = {};
  ::GetClassNameW(window, name, 64);
  placed.window_class = name;
  placed.id = ::GetDlgCtrlID(window);
  if (parent != nullptr) {
    ::GetWindowRect(window, &placed.rect);
    ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&placed.rect), 2);
  } else {
    ::GetClientRect(window, &placed.rect);
  }
  if (const auto font = reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0))) {
    LOGFONTW logical{};
    ::GetObjectW(font, sizeof logical, &logical);
    placed.font_height = logical.lfHeight;
  }
  return placed;
}

BOOL CALLBACK collect(HWND child, LPARAM data) {
  // The tab control's own scroll arrows, hidden while the tabs fit, keep where it last put them.
  wchar_t name[64] = {};
  ::GetClassNameW(child, name, 64);
  if (std::wstring(name) == L"msctls_updown32" && !::IsWindowVisible(child)) return TRUE;
  reinterpret_cast<std::vector<Placed>*>(data)->push_back(placedOf(child, ::GetParent(child)));
  return TRUE;
}

std::vector<Placed> geometry(HWND window) {
  std::vector<Placed> out{placedOf(window, nullptr)};
  ::EnumChildWindows(window, collect, reinterpret_cast<LPARAM>(&out));
  return out;
}

// Wine sends no WM_DPICHANGED: the window gets the message Windows sends when it is moved to a
// monitor of another DPI, with the outer rectangle a window made at that DPI has.
TEST(Win32FormWindow, ALayoutAtANewDpiIsThatOfAWindowMadeAtIt) {
  for (const int dpi : {144, 120, 192}) {
    testing::WindowHarness harness;
    FrmNorvel window(harness.platform);
    Win32WindowSystem windows;

    std::vector<Placed> fresh;
    RECT outer{};
    // Wine makes no window without a display (test-windows.sh runs the suite without one;
    // the keyboard runs have Xvfb).
    if (::GetSystemMetrics(SM_CXSCREEN) == 0 || !::GetDesktopWindow()) GTEST_SKIP();
    try {
      FormWindow probe(window.form(), windows, 96);
    } catch (const std::runtime_error& error) {
      GTEST_SKIP() << "no window can be made here: " << error.what();
    }
    {
      FormWindow made(window.form(), windows, dpi);
      ::GetWindowRect(made.handle(), &outer);
      fresh = geometry(made.handle());
    }
    FormWindow moved(window.form(), windows, 96);
    const std::vector<Placed> before = geometry(moved.handle());
    ::SendMessageW(moved.handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                   reinterpret_cast<LPARAM>(&outer));
    EXPECT_EQ(moved.dpi(), dpi);
    const std::vector<Placed> after = geometry(moved.handle());

    ASSERT_EQ(after.size(), fresh.size()) << dpi << " dpi";
    int differing_from_96 = 0;
    for (std::size_t i = 0; i < fresh.size(); ++i) {
      EXPECT_EQ(describe(after[i]), describe(fresh[i])) << dpi << " dpi";
      if (describe(after[i]) != describe(before[i])) ++differing_from_96;
    }
    // The comparison means something only if the new DPI moved the controls at all.
    EXPECT_GT(differing_from_96, static_cast<int>(fresh.size()) / 2) << dpi << " dpi";
  }
}

}  // namespace
}  // namespace norvel
