// The Win32 side of the Panel services that the window procedure needs.
#ifndef TORVA_PANEL_WIN32_H
#define TORVA_PANEL_WIN32_H

// Writes the display lines the engine has set since they were last written,
// each unless its control shows that text already. The window procedure
// calls it when a command has been handled; the panel itself calls it before
// a message box or a cue and before it reads line X back, so whatever the
// user sees or hears, and the entry the engine edits, is the current state.
void FlushDisplayLines();

#endif
