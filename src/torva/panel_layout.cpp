// The panel's layout at the text size and DPI it is shown at, and when it
// is laid out again.
#include "panel_layout.h"

#include <algorithm>

#include "command_gate.h"
#include "line_caret.h"
#include "vexlib.h"

namespace {

// Windows' text size, in percent, as Settings offers it.
const DWORD kLeastTextScale = 100;
const DWORD kMostTextScale = 225;

typedef LONG(WINAPI* RegOpenKeyExFunction)(HKEY key, LPCSTR subKey, DWORD options,
                                           REGSAM access, PHKEY result);
typedef LONG(WINAPI* RegQueryValueExFunction)(HKEY key, LPCSTR name, LPDWORD reserved,
                                              LPDWORD type, LPBYTE data, LPDWORD size);
typedef LONG(WINAPI* RegCloseKeyFunction)(HKEY key);
// Windows 10 1607 and later.
typedef UINT(WINAPI* GetDpiForWindowFunction)(HWND window);

TemplateLayout panelTemplate;  // where DIAL_MAIN put the controls
int systemDpi = USER_DEFAULT_SCREEN_DPI;
int windowDpi = USER_DEFAULT_SCREEN_DPI;  // of the monitor the panel is on

// A layout asked for while a command was under way, and the rectangle
// Windows suggested with a DPI change.
bool layoutWaits = false;
bool rectangleWaits = false;
RECT waitingRectangle;

// TextScaleFactor, a DWORD that Windows 10 (1809) and later keep; anything
// else counts as 100 %. ADVAPI32 is loaded from the system folder, as the
// program's other DLLs beyond the four it imports.
DWORD TextScalePercent() {
    RegOpenKeyExFunction open =
        SystemFunction<RegOpenKeyExFunction>("ADVAPI32.DLL", "RegOpenKeyExA");
    RegQueryValueExFunction query =
        SystemFunction<RegQueryValueExFunction>("ADVAPI32.DLL", "RegQueryValueExA");
    RegCloseKeyFunction close = SystemFunction<RegCloseKeyFunction>("ADVAPI32.DLL", "RegCloseKey");
    HKEY key;
    if (open == NULL || query == NULL || close == NULL ||
        open(HKEY_CURRENT_USER, "Software\\Microsoft\\Accessibility", 0, KEY_QUERY_VALUE,
             &key) != ERROR_SUCCESS)
        return kLeastTextScale;
    DWORD type = REG_NONE, percent = 0, size = sizeof percent;
    const LONG result =
        query(key, "TextScaleFactor", NULL, &type, reinterpret_cast<BYTE*>(&percent), &size);
    close(key);
    const bool valid = result == ERROR_SUCCESS && type == REG_DWORD && size == sizeof percent &&
                       percent >= kLeastTextScale && percent <= kMostTextScale;
    return valid ? percent : kLeastTextScale;
}

// Where Windows cannot tell a window's own DPI, it is the system's.
int DpiOfPanel() {
    GetDpiForWindowFunction dpiFor =
        LibraryFunction<GetDpiForWindowFunction>(GetModuleHandleA("USER32.DLL"), "GetDpiForWindow");
    const UINT dpi = dpiFor != NULL ? dpiFor(mainWindow) : 0;
    return dpi != 0 ? static_cast<int>(dpi) : systemDpi;
}

int ScaleFor(int dpi, DWORD textPercent) {
    return MulDiv(dpi * static_cast<int>(textPercent), kScaleOne / 100, systemDpi);
}

// The largest scale up to `wanted` at which the panel, with its frame,
// fits the work area of the monitor at `window`; never less than the
// panel at 100 % text, which cannot be made to fit by shrinking it.
int FittingScale(int wanted, const RECT& window) {
    RECT work;
    if (!WorkAreaAt(window, &work)) return wanted;
    const SIZE frame = FrameOf(mainWindow);
    const int wide = (work.right - work.left - frame.cx) * kScaleOne / panelTemplate.client.cx;
    const int tall = (work.bottom - work.top - frame.cy) * kScaleOne / panelTemplate.client.cy;
    const int fitting = std::min(wide, tall);
    return std::max(ScaleFor(windowDpi, kLeastTextScale), std::min(wanted, fitting));
}

// The caption's icons, and the task bar's, at the monitor's DPI; at the
// system's, the class icon as ever, which Windows sizes itself.
const struct WindowIcon {
    WPARAM kind;
    int sizeMetric;
} kWindowIcons[] = {{ICON_SMALL, SM_CXSMICON}, {ICON_BIG, SM_CXICON}};

void TakeIconsAtDpi() {
    static HICON taken[2];
    for (int i = 0; i < 2; ++i) {
        if (windowDpi == systemDpi && taken[i] == NULL) continue;
        const int size = MulDiv(GetSystemMetrics(kWindowIcons[i].sizeMetric), windowDpi, systemDpi);
        HICON icon = NULL;
        if (windowDpi != systemDpi)
            icon = static_cast<HICON>(LoadImageA(appInstance, "ICONX", IMAGE_ICON, size, size, 0));
        SendMessageA(mainWindow, WM_SETICON, kWindowIcons[i].kind, reinterpret_cast<LPARAM>(icon));
        if (taken[i] != NULL) DestroyIcon(taken[i]);
        taken[i] = icon;
    }
}

// Lays the panel out at the scale of its DPI and the text size. With a DPI
// change it takes the top-left corner Windows suggests; its size is the
// layout's, which Windows' suggestion, the old size scaled, matches but
// for rounding. Otherwise it keeps its corner, inside the work area.
void LayOutPanel(const RECT* suggested) {
    RECT window;
    GetWindowRect(mainWindow, &window);
    if (suggested != NULL)
        OffsetRect(&window, suggested->left - window.left, suggested->top - window.top);
    const int scale = FittingScale(ScaleFor(windowDpi, TextScalePercent()), window);
    HFONT before = SetDisplayScale(scale);
    const SIZE size = LayOutAtScale(mainWindow, panelTemplate, scale, DisplayFont());
    if (before != NULL) DeleteObject(before);
    POINT at = {window.left, window.top};
    if (suggested == NULL) at = InsideWorkArea(at, size);
    SetWindowPos(mainWindow, NULL, at.x, at.y, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    TakeIconsAtDpi();
    RemakeLineCaret();
}

void LayOutWhenNoCommand(const RECT* suggested) {
    if (suggested != NULL) waitingRectangle = *suggested;
    rectangleWaits = rectangleWaits || suggested != NULL;
    layoutWaits = true;
    if (!CommandUnderWay()) PanelCommandEnded();
}

}  // namespace

void LayOutPanelAtStart() {
    HDC screen = GetDC(NULL);
    systemDpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(NULL, screen);
    RecordTemplateLayout(mainWindow, &panelTemplate);
    windowDpi = DpiOfPanel();
    LayOutPanel(NULL);
}

void PanelSettingsChanged() { LayOutWhenNoCommand(NULL); }

void PanelDpiChanged(WPARAM wordParameter, LPARAM longParameter) {
    windowDpi = LOWORD(wordParameter);
    LayOutWhenNoCommand(reinterpret_cast<const RECT*>(longParameter));
}

void PanelCommandEnded() {
    if (layoutWaits) {
        layoutWaits = false;
        LayOutPanel(rectangleWaits ? &waitingRectangle : NULL);
        rectangleWaits = false;
    }
    PlaceLineCaret();
}
