// The panel at the size its user reads best: the text size Windows is set
// to (Settings, Accessibility, Text size) times the DPI of the monitor it is
// on, capped so that it fits the work area of that monitor. At the system's
// DPI and 100 % text it is exactly what its template gives.
//
// A change of either arrives as a message that may come inside a command
// (between the cues of a read-out, or while a box is open); the panel is
// then laid out again only when that command has ended.
#ifndef TORVA_PANEL_LAYOUT_H
#define TORVA_PANEL_LAYOUT_H

#include <windows.h>

// Once the panel and its controls exist, before it is shown.
void LayOutPanelAtStart();

// WM_SETTINGCHANGE: the text size is read again.
void PanelSettingsChanged();

// WM_DPICHANGED: the panel moved to a monitor of another DPI (or the
// monitor's DPI changed); takes the new DPI and the rectangle Windows
// suggests.
void PanelDpiChanged(WPARAM wordParameter, LPARAM longParameter);

// After every command, outermost: a layout that waited for it, then the
// caret to the end of line X's text.
void PanelCommandEnded();

#endif
