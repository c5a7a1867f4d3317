// The Win32 side of the Panel services that the window procedure needs.
#ifndef TORVA_PANEL_WIN32_H
#define TORVA_PANEL_WIN32_H

// Brackets every command the engine handles, and a whole paste. The panel
// writes the display lines the engine has set as late as it can: before a
// message box or a cue, before it reads line X back, and at CommandHandled,
// so that whatever the user sees or hears, and the entry the engine edits,
// is the current state. CommandHandled then tells screen readers of line X
// when its text differs from what it was at CommandBegins. Nested calls
// (the drop the engine sends inside a Backspace) write their lines too but
// leave the announcement to the outermost.
void CommandBegins();
void CommandHandled();

#endif
