// The panel on a high-DPI screen. It is laid out in dialog units on the
// system font, so it must scale itself: at any DPI every control lies in
// the client area clear of its neighbours, and a run of 1s fills line X
// exactly, the next 1 being refused, as at 96 DPI; and so at a bigger text size or DPI.
//
// tests/e2e/run_at_dpi.sh sets the DPI of a Wine session of its own before
// the program starts and passes it on in TORVA_EXPECTED_DPI.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "e2e_fixture.h"

namespace {

struct Control {
  int id;
  RECT rect;  // in screen coordinates
};

std::vector<Control> ControlsOf(HWND panel, HWND relativeTo = nullptr) {
  std::vector<Control> controls;
  for (HWND child = GetWindow(panel, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    Control control{GetDlgCtrlID(child), {}};
    GetWindowRect(child, &control.rect);
    MapWindowPoints(nullptr, relativeTo, reinterpret_cast<POINT*>(&control.rect), 2);
    controls.push_back(control);
  }
  return controls;
}

RECT ClientOnScreen(HWND window) {
  RECT client;
  GetClientRect(window, &client);
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
  return client;
}

bool Inside(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

// Pixel rows (or columns) that two controls share; 0 when apart.
int SharedPixels(const RECT& a, const RECT& b) {
  RECT common;
  if (!IntersectRect(&common, &a, &b)) return 0;
  return std::min(common.right - common.left, common.bottom - common.top);
}

bool IsDisplayLine(int id) { return id >= IDC_LINE_X && id <= IDC_LINE_T; }

// Whether two controls lie as they should: a display line inside the stack
// frame; the display lines, which the template sets edge to edge, sharing
// at most the one pixel row that rounding their dialog units can give;
// every other pair apart.
bool PlacedWell(const Control& a, const Control& b) {
  if (IsDisplayLine(a.id) && b.id == IDC_STACK_FRAME) return Inside(a.rect, b.rect);
  if (IsDisplayLine(b.id) && a.id == IDC_STACK_FRAME) return Inside(b.rect, a.rect);
  if (IsDisplayLine(a.id) && IsDisplayLine(b.id)) return SharedPixels(a.rect, b.rect) <= 1;
  return SharedPixels(a.rect, b.rect) == 0;
}

std::string Describe(const RECT& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" +
         std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
}

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi;
}

RECT WindowRect(HWND window) {
  RECT rect;
  GetWindowRect(window, &rect);
  return rect;
}

// A window's controls in its client area, and last that area, as id 0.
std::vector<Control> LayoutOf(HWND window) {
  std::vector<Control> layout = ControlsOf(window, window);
  layout.push_back({0, {}});
  GetClientRect(window, &layout.back().rect);
  return layout;
}

// A template of TORVA.EXE laid out by the dialog manager in a hidden window
// of this process: what the panel looked like before it could grow.
std::vector<Control> TemplateOf(const char* name) {
  HMODULE program = LoadLibraryExW(th::Wide(th::ProgramPath()).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  WNDCLASSA panelClass{CS_GLOBALCLASS, DefWindowProcA, 0, DLGWINDOWEXTRA, nullptr, nullptr, nullptr, nullptr, nullptr, "TORVA"};
  RegisterClassA(&panelClass);
  HWND window = CreateDialogParamA(program, name, nullptr, nullptr, 0);
  const std::vector<Control> layout = LayoutOf(window);
  DestroyWindow(window);
  FreeLibrary(program);
  return layout;
}

// Every control, and the client area, at its template rectangle times
// scale: to the pixel at scale 1, within one pixel otherwise.
void ExpectLayoutAt(HWND window, const std::vector<Control>& reference, double scale) {
  const std::vector<Control> shown = LayoutOf(window);
  auto off = [&](LONG value, LONG unscaled) { return std::abs(value - std::lround(unscaled * scale)) > (scale != 1); };
  ASSERT_EQ(shown.size(), reference.size());
  for (size_t i = 0; i < shown.size(); ++i) {
    const RECT &r = reference[i].rect, &s = shown[i].rect;
    EXPECT_FALSE(off(s.left, r.left) || off(s.top, r.top) || off(s.right, r.right) || off(s.bottom, r.bottom))
        << "control " << shown[i].id << " " << Describe(s) << " for " << Describe(r) << " times " << scale;
  }
}

// Types 1s until line X takes no more: the run fits the line's width in its
// font, and one more 1 would not. A font handle cannot be read across
// processes: the font is made here as the program makes it.
void ExpectLineXFilled(th::TorvaProcess& torva, double scale = 1) {
  std::string ones;
  while (ones.size() < 200 && torva.Command(CMD_DIGIT_1) && torva.Line(0) == ones + "1") ones += "1";
  TEXTMETRICA system;
  HDC screen = GetDC(nullptr);
  GetTextMetricsA(screen, &system);
  ReleaseDC(nullptr, screen);
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  HFONT font = scale == 1 ? nullptr : CreateFontA(std::lround(system.tmHeight * scale), 0, 0, 0, system.tmWeight, 0, 0, 0,
      metrics.lfMessageFont.lfCharSet, OUT_TT_PRECIS, 0, 0, 0, metrics.lfMessageFont.lfFaceName);
  RECT lineX;
  GetClientRect(GetDlgItem(torva.Window(), IDC_LINE_X), &lineX);
  EXPECT_EQ(torva.Line(0), ones) << "the refused 1 changed line X";
  EXPECT_GE(ones.size(), 20u);
  EXPECT_LE(TextWidth(torva.Window(), ones, font), lineX.right) << ones.size() << " 1s";
  EXPECT_GT(TextWidth(torva.Window(), ones + "1", font), lineX.right) << "line X was not filled";
  if (font) DeleteObject(font);
  printf("%d DPI, scale %.2f: panel %s, line X holds %u 1s\n", ScreenDpi(), scale,
         Describe(WindowRect(torva.Window())).c_str(), unsigned(ones.size()));
}

// WM_DPICHANGED as Windows sends it. Wine does not carry its rectangle
// between processes: it is written into the panel's process (and freed
// with it).
bool SendDpiChanged(const th::TorvaProcess& torva, int dpi, const RECT& suggested) {
  void* remote = VirtualAllocEx(torva.Handle(), nullptr, sizeof suggested, MEM_COMMIT, PAGE_READWRITE);
  DWORD_PTR result;
  return remote && WriteProcessMemory(torva.Handle(), remote, &suggested, sizeof suggested, nullptr) &&
         SendMessageTimeoutA(torva.Window(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(remote),
                             SMTO_NORMAL, th::kStepTimeout, &result);
}

}  // namespace

using Dpi = TorvaTest;

TEST_F(Dpi, ControlsClearOfEachOtherAndLineXFills) {
  if (const char* expected = std::getenv("TORVA_EXPECTED_DPI")) {
    ASSERT_EQ(ScreenDpi(), std::atoi(expected)) << "the session's DPI did not take";
  }
  HWND panel = torva.Window();
  RECT onScreen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, window;
  GetWindowRect(panel, &window);
  EXPECT_TRUE(Inside(window, onScreen)) << "the screen is too small for the panel "
                                        << Describe(window);

  const RECT client = ClientOnScreen(panel);
  const std::vector<Control> controls = ControlsOf(panel);
  ASSERT_EQ(controls.size(), 34u);
  for (size_t i = 0; i < controls.size(); ++i) {
    const Control& a = controls[i];
    EXPECT_TRUE(Inside(a.rect, client)) << "control " << a.id << " " << Describe(a.rect)
                                        << " leaves the client area " << Describe(client);
    for (size_t j = i + 1; j < controls.size(); ++j) {
      const Control& b = controls[j];
      EXPECT_TRUE(PlacedWell(a, b)) << "controls " << a.id << " " << Describe(a.rect) << " and "
                                    << b.id << " " << Describe(b.rect);
    }
  }

  // At 100 % text the panel is exactly what its template gives; line X
  // takes the 1s that fit it in the system font, and one more beeps.
  ExpectLayoutAt(panel, TemplateOf("DIAL_MAIN"), 1);
  th::BellWatch bells;
  ASSERT_TRUE(bells.Start()) << "bell_watch did not start";
  ExpectLineXFilled(torva);
  EXPECT_TRUE(torva.Dialogs().empty()) << "the refused 1 opened a box";
  ASSERT_TRUE(torva.Command(CMD_BACKSPACE));  // its repaint sends the beep to the X server
  EXPECT_TRUE(bells.WaitForCount(1)) << "the refused 1 did not beep";
  EXPECT_EQ(bells.Count(), 1);
}

// With Windows' text size at 150 % and 225 % when it starts, the panel,
// every control and line X's font grow by as much.
TEST_F(Dpi, TextSizeScalesThePanel) {
  const std::vector<Control> reference = TemplateOf("DIAL_MAIN");
  for (DWORD percent : {150u, 225u}) {
    ASSERT_TRUE(th::SetTextScale(percent) && torva.Start()) << torva.Error();
    ExpectLayoutAt(torva.Window(), reference, percent / 100.0);
    ExpectLineXFilled(torva, percent / 100.0);
  }
}

// Moved to a monitor of 1.5 times the DPI, the panel takes the rectangle
// suggested and grows by half; back, it is what it was, in the system font.
TEST_F(Dpi, DpiChangeScalesThePanelAndBack) {
  const std::vector<Control> reference = TemplateOf("DIAL_MAIN");
  const RECT before = WindowRect(torva.Window()), client = reference.back().rect;
  const RECT moved = {before.left + 40, before.top + 30, before.right + 40 + std::lround(client.right * 0.5),
                      before.bottom + 30 + std::lround(client.bottom * 0.5)};
  ASSERT_TRUE(SendDpiChanged(torva, ScreenDpi() * 3 / 2, moved));
  EXPECT_EQ(Describe(WindowRect(torva.Window())), Describe(moved));
  ExpectLayoutAt(torva.Window(), reference, 1.5);
  ExpectLineXFilled(torva, 1.5);
  ASSERT_TRUE(SendDpiChanged(torva, ScreenDpi(), before));
  EXPECT_EQ(Describe(WindowRect(torva.Window())), Describe(before));
  ExpectLayoutAt(torva.Window(), reference, 1);
  EXPECT_EQ(SendDlgItemMessageA(torva.Window(), IDC_LINE_X, WM_GETFONT, 0, 0), 0) << "not the system font";
}

// The text size is read again when Windows says a setting changed, but not
// inside a command (here, while its error box is open): afterwards. On the
// shared session's 1024x768 screen the panel at 225 % would not fit; it
// grows as far as the work area lets it.
using TextSize = TorvaTest;

TEST_F(TextSize, ReadAgainAfterTheCommandAndCappedToTheWorkArea) {
  const std::vector<Control> reference = TemplateOf("DIAL_MAIN");
  th::AsyncSend add = torva.CommandAsync(CMD_ADD);
  HWND box = torva.WaitForDialog();
  DWORD_PTR result;
  RECT work, client;
  ASSERT_TRUE(box && th::SetTextScale(225) && SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0) &&
              SendMessageTimeoutA(torva.Window(), WM_SETTINGCHANGE, 0, 0, SMTO_NORMAL, th::kStepTimeout, &result));
  ExpectLayoutAt(torva.Window(), reference, 1);
  CloseBox(box, CloseBy::kOkButton);
  ASSERT_TRUE(add.Wait() && GetClientRect(torva.Window(), &client));
  EXPECT_TRUE(Inside(WindowRect(torva.Window()), work)) << Describe(WindowRect(torva.Window()));
  EXPECT_GE(client.bottom, work.bottom - 30) << "the panel did not grow to the work area's height";
}
