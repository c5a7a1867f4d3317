// The Win32 side of the Panel services that the window procedure needs.
#ifndef TORVA_PANEL_WIN32_H
#define TORVA_PANEL_WIN32_H

// Writes the display lines that changed since they were last shown. The
// window procedure calls it when a command has been handled; the panel
// itself calls it before a message box or a cue, so whatever the user sees
// or hears is always the current state.
void FlushDisplayLines();

#endif
