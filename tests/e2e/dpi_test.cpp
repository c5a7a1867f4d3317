// The panel on a high-DPI screen. It is laid out in dialog units on the
// system font, so it must scale itself: at any DPI every control lies in
// the client area clear of its neighbours, and a run of 1s fills line X
// exactly, the next 1 being refused, as at 96 DPI.
//
// tests/e2e/run_at_dpi.sh sets the DPI of a Wine session of its own before
// the program starts and passes it on in TORVA_EXPECTED_DPI.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "e2e_fixture.h"

namespace {

struct Control {
  int id;
  RECT rect;  // in screen coordinates
};

std::vector<Control> ControlsOf(HWND panel) {
  std::vector<Control> controls;
  for (HWND child = GetWindow(panel, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    Control control{GetDlgCtrlID(child), {}};
    GetWindowRect(child, &control.rect);
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

// Width of text in the system font, as the program measures it: on a DC
// of its panel with no font selected.
int SystemFontWidth(HWND panel, const std::string& text) {
  HDC dc = GetDC(panel);
  SIZE extent{};
  GetTextExtentPointA(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  ReleaseDC(panel, dc);
  return extent.cx;
}

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi;
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

  // Type 1s until line X takes no more: the run fits its width, and one
  // more 1 would not, and beeps.
  th::BellWatch bells;
  ASSERT_TRUE(bells.Start()) << "bell_watch did not start";
  std::string ones;
  for (int typed = 0; typed < 200; ++typed) {
    ASSERT_TRUE(torva.Command(CMD_DIGIT_1));
    if (torva.Line(0) != ones + "1") break;
    ones += "1";
  }
  EXPECT_EQ(torva.Line(0), ones) << "the refused 1 changed line X";
  EXPECT_TRUE(torva.Dialogs().empty()) << "the refused 1 opened a box";
  RECT lineX;
  GetClientRect(GetDlgItem(panel, IDC_LINE_X), &lineX);
  EXPECT_GE(ones.size(), 20u);
  EXPECT_LE(SystemFontWidth(panel, ones), lineX.right) << ones.size() << " 1s";
  EXPECT_GT(SystemFontWidth(panel, ones + "1"), lineX.right) << "line X was not filled";
  ASSERT_TRUE(torva.Command(CMD_BACKSPACE));  // its repaint sends the beep to the X server
  EXPECT_TRUE(bells.WaitForCount(1)) << "the refused 1 did not beep";
  EXPECT_EQ(bells.Count(), 1);
  printf("%d DPI: panel %ldx%ld, line X %ld px wide holds %u 1s\n", ScreenDpi(),
         window.right - window.left, window.bottom - window.top, lineX.right,
         unsigned(ones.size()));
}
