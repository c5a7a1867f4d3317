// The Win32 side of the Panel services that the window procedure needs.
#ifndef TORVA_PANEL_WIN32_H
#define TORVA_PANEL_WIN32_H

// Brackets every command the engine handles, and a whole paste. The panel
// writes the display lines the engine has set as late as it can: before a
// message box or a cue, before it reads line X back, and at CommandHandled,
// so that whatever the user sees or hears, and the entry the engine edits,
// is the current state. Nested calls (the drop the engine sends inside a
// Backspace) write their lines too but leave the rest to the outermost;
// the command gate, which brackets every command, tells them apart.
// The outermost also lets its cues play again, which input ended in the
// command before (PanelPlayCue).
void CommandBegins();
void CommandHandled();

// Hands a key of the command to the engine, one whose result screen
// readers are to hear: when the outermost command has been handled, line X
// is announced once, whether or not its text changed, if the engine took
// at least one such key. A key the engine says it refused (with
// a beep or an error box) counts as not taken; the box is read as a box.
void EngineKey(unsigned code);

// Makes display line `level` (0 = X ... 3 = T) announce itself, and with
// sound on the program's voice read it, as a result is read, in full
// also after input ended the read-out before. Nothing changes; an empty
// line gives the refusal beep instead.
void AnnounceLine(int level);

#endif
