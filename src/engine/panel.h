// The services through which the calculator engine reaches its window.
//
// The engine never includes a platform header. Each executable links exactly
// one realisation of these free functions: the program realises them on the
// main panel window (src/torva/panel_win32.cpp), the engine tests with a
// recording fake, the fuzzer and the benchmark with their own small panels.
#ifndef TORVA_ENGINE_PANEL_H
#define TORVA_ENGINE_PANEL_H

// Size of the buffer PanelGetEntryText fills: 80 characters and a NUL.
const int kEntryTextLimit = 81;

// Show text on display line `level` (0 = X, 1 = Y, 2 = Z, 3 = T).
// The text is at most 81 characters; the line keeps its own copy.
void PanelSetLine(int level, const char* text);

// Copy the current text of line X into buffer (at most kEntryTextLimit bytes
// with the NUL). While a number is being typed this is the only copy of the
// entry text, so the engine reads it back from here.
void PanelGetEntryText(char* buffer);

// Width of line X in pixels: the limit for the width of a typed number.
int PanelLineXWidth();

// Width in pixels of the first `length` characters of text, measured in
// the font line X shows it in, so that a text as wide as the line fits it.
int PanelTextWidth(const char* text, int length);

// Play the named sound cue synchronously (returns when it has finished).
// Callers check soundEnabled first; the panel plays whatever it is given,
// unless the user's input has ended the cues of the command under way:
// the rest are then left out, all but "error.wav", which warns of a box.
void PanelPlayCue(const char* name);

// The system's default beep, for a refused keystroke. Not a sound cue:
// it sounds whether or not soundEnabled is set.
void PanelBeep();

// Show the error message with the given string id and wait until the user
// has closed it.
void PanelShowError(int stringId);

// Place text on the clipboard; a failure is reported to the user inside.
void PanelCopyText(const char* text);

// Drop X by sending CMD_DROP through the window's command routing. The call
// re-enters CalcStack::Key synchronously and returns when the drop is done.
void PanelDrop();

#endif
