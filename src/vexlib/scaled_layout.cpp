// Windows laid out at a scale: the panel, and the boxes it opens, grow for
// users who see little, with the text size Windows is set to and with the
// DPI of the monitor they are on.
//
// A template that names no font is laid out in the system font, which is a
// bitmap font at most sizes and cannot grow smoothly. At any scale but one
// the controls get a TrueType font instead: the face of the system's message
// font, which Windows chooses for its own dialogs and message boxes (the
// user's language and the system's version choose it: Segoe UI on Windows
// 10 and 11, Tahoma on XP), at the system font's height and weight times
// the scale. Not the message font's own height: the text size Windows is
// set to enlarges that already, and the scale includes it.
#include <stddef.h>
#include <string.h>

#include <algorithm>

#include "vexlib.h"

namespace {

int displayScale = kScaleOne;
HFONT displayFont = NULL;

// XP refuses the structure's size in newer headers, which grew a field.
const UINT kXpNonClientMetricsSize = offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth);

int Scaled(LONG length, int scale) { return MulDiv(length, scale, kScaleOne); }

HFONT CreateScaledFont(int scale) {
    // The screen's DC as it comes has the system font selected.
    HDC screen = GetDC(NULL);
    TEXTMETRICA system;
    GetTextMetricsA(screen, &system);
    ReleaseDC(NULL, screen);

    LOGFONTA font = {};
    font.lfHeight = Scaled(system.tmHeight, scale);  // the cell's height, as tmHeight
    font.lfWeight = system.tmWeight;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfOutPrecision = OUT_TT_PRECIS;  // no bitmap font, also without a face
    NONCLIENTMETRICSA metrics;
    metrics.cbSize = kXpNonClientMetricsSize;
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) {
        memcpy(font.lfFaceName, metrics.lfMessageFont.lfFaceName, sizeof font.lfFaceName);
        font.lfCharSet = metrics.lfMessageFont.lfCharSet;  // the face's own
    }
    return CreateFontIndirectA(&font);
}

}  // namespace

SIZE FrameOf(HWND window) {
    RECT outer, client;
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    const SIZE frame = {outer.right - outer.left - client.right,
                        outer.bottom - outer.top - client.bottom};
    return frame;
}

void RecordTemplateLayout(HWND window, TemplateLayout* layout) {
    layout->count = 0;
    for (HWND control = GetWindow(window, GW_CHILD);
         control != NULL && layout->count < kMostScaledControls;
         control = GetWindow(control, GW_HWNDNEXT)) {
        RECT& rect = layout->rects[layout->count];
        GetWindowRect(control, &rect);
        MapWindowPoints(NULL, window, reinterpret_cast<POINT*>(&rect), 2);
        layout->controls[layout->count++] = control;
    }
    RECT client;
    GetClientRect(window, &client);
    layout->client.cx = client.right;
    layout->client.cy = client.bottom;
}

SIZE LayOutAtScale(HWND window, const TemplateLayout& layout, int scale, HFONT font) {
    for (int i = 0; i < layout.count; ++i) {
        const RECT& rect = layout.rects[i];
        const int left = Scaled(rect.left, scale), top = Scaled(rect.top, scale);
        SetWindowPos(layout.controls[i], NULL, left, top, Scaled(rect.right, scale) - left,
                     Scaled(rect.bottom, scale) - top, SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageA(layout.controls[i], WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    const SIZE frame = FrameOf(window);
    const SIZE size = {frame.cx + Scaled(layout.client.cx, scale),
                       frame.cy + Scaled(layout.client.cy, scale)};
    return size;
}

HFONT SetDisplayScale(int scale) {
    HFONT before = displayFont;
    displayScale = scale;
    displayFont = scale == kScaleOne ? NULL : CreateScaledFont(scale);
    return before;
}

int DisplayScale() { return displayScale; }

HFONT DisplayFont() { return displayFont; }

bool WorkAreaAt(const RECT& window, RECT* work) {
    MONITORINFO monitor;
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoA(MonitorFromRect(&window, MONITOR_DEFAULTTONEAREST), &monitor))
        return false;
    *work = monitor.rcWork;
    return true;
}

POINT InsideWorkArea(POINT at, SIZE size) {
    const RECT wanted = {at.x, at.y, at.x + size.cx, at.y + size.cy};
    RECT work;
    if (!WorkAreaAt(wanted, &work)) return at;
    at.x = std::max(work.left, std::min(at.x, work.right - size.cx));
    at.y = std::max(work.top, std::min(at.y, work.bottom - size.cy));
    return at;
}

void ScaleDialogBox(HWND dialog) {
    if (displayScale == kScaleOne) return;
    TemplateLayout layout;
    RecordTemplateLayout(dialog, &layout);
    const SIZE size = LayOutAtScale(dialog, layout, displayScale, displayFont);
    // The template places the box from its owner's client area.
    RECT box;
    GetWindowRect(dialog, &box);
    POINT origin = {0, 0};
    ClientToScreen(GetWindow(dialog, GW_OWNER), &origin);
    POINT at = {origin.x + Scaled(box.left - origin.x, displayScale),
                origin.y + Scaled(box.top - origin.y, displayScale)};
    at = InsideWorkArea(at, size);
    SetWindowPos(dialog, NULL, at.x, at.y, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
}
