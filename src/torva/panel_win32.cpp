// The engine's Panel services, realised on the main panel window: the four
// display lines are its static controls 190 to 193.
//
// The engine may rewrite a line several times in one command (an addition
// pops twice and pushes once: 12 line writes to change 4 lines), and every
// write repaints the control. So a line the engine sets is only marked
// pending here, and written to its control once, when the command has been
// handled (CommandHandled), or earlier: before a message box or a cue,
// and before line X is read back. The controls stay the one record of what
// the panel shows: a pending line is compared with the text its control
// holds now, which another program may have changed, not with what was
// last written.
//
// Each line's control is looked up once and then used by its handle:
// finding a control by its id asks the window system for all the panel's
// children, and those requests were half of what a command asked of it.
#include "panel.h"
#include "panel_win32.h"

#include <windows.h>

#include <cstring>

#include "calc_stack.h"
#include "command_gate.h"
#include "feedback.h"
#include "screen_reader.h"
#include "sound_library.h"
#include "torva_ids.h"
#include "vexlib.h"

namespace {

const int kLineCount = 4;

// One byte more than a line text can hold, so that a longer text put into
// a line from outside never compares equal to one of ours.
const int kShownTextSize = kEntryTextLimit + 1;

// The lines the engine has set since they were last written, with their
// texts. A text is at most kEntryTextLimit - 1 characters, as the engine
// could read it back.
bool linePending[kLineCount];
char pendingText[kLineCount][kEntryTextLimit];

// The lines' controls, found on first use: the template's controls do not
// exist yet while the panel's own creation messages run.
HWND lineControl[kLineCount];

// Whether the engine has taken a key of the outermost command: a nested
// command (the drop within a Backspace) is part of the key that sent it.
bool keyTaken = false;

// Whether the user's own input has ended the cues of the outermost
// command: someone who has heard enough, or typed on, should not have to
// hear a read-out to its end before the next key is carried out.
bool cuesEnded = false;

// Input that ends the cues: a key going down, or a mouse button going down
// on the panel (its buttons take double-clicks too). Not the queue's
// status, which tells no key-down from the key-up the command's own key
// leaves waiting; and one filtered peek for each, since a peek returns only
// the first message of its range and the ups lie between these.
const UINT kInputEndingCues[] = {
    WM_KEYDOWN,       WM_SYSKEYDOWN,    WM_LBUTTONDOWN,   WM_LBUTTONDBLCLK, WM_RBUTTONDOWN,
    WM_RBUTTONDBLCLK, WM_MBUTTONDOWN,   WM_MBUTTONDBLCLK, WM_XBUTTONDOWN,   WM_XBUTTONDBLCLK};

// Set in a key message when the key was down already: its autorepeat. A
// key still held since the command began (Ctrl after Ctrl+1, Alt after
// Alt+=) must not silence what it asked for.
const LPARAM kKeyWasDown = 1L << 30;

// "error.wav" comes before a box, which the user must not meet unwarned.
const char kErrorCue[] = "error.wav";

HWND LineControl(int level) {
    if (lineControl[level] == NULL)
        lineControl[level] = GetDlgItem(mainWindow, IDC_LINE_X + level);
    return lineControl[level];
}

// Writes a pending line unless its control shows that text already.
void FlushLine(int level) {
    if (!linePending[level]) return;
    linePending[level] = false;
    char shown[kShownTextSize];
    GetWindowTextA(LineControl(level), shown, sizeof shown);
    if (std::strcmp(shown, pendingText[level]) != 0)
        SetWindowTextA(LineControl(level), pendingText[level]);
}

void FlushDisplayLines() {
    for (int level = 0; level < kLineCount; ++level) FlushLine(level);
}

// A read-out can take longer than the 5 s after which Windows calls a
// window whose thread looks at no message hung, and every program that
// sends the panel a message waits as long. Looking at the queue between
// cues lets Windows see the thread alive and answers what other programs
// have sent (a screen reader's WM_GETOBJECT and WM_GETTEXT, a WM_NULL
// asking whether it is alive); keystrokes and posted messages stay queued
// for after the command, and sent commands wait for it (command_gate.h).
// Only what the user does ends the cues; other programs never silence it.
void AnswerSentMessages() {
    MSG message;
    PeekMessageA(&message, NULL, 0, 0, PM_NOREMOVE);
}

// Whether the user's input waits in the queue, where it stays, to be
// carried out next as always.
bool UserInputWaits() {
    MSG message;
    for (UINT kind : kInputEndingCues) {
        if (!PeekMessageA(&message, mainWindow, kind, kind, PM_NOREMOVE)) continue;
        if (kind > WM_KEYLAST || (message.lParam & kKeyWasDown) == 0) return true;
    }
    return false;
}

}  // namespace

void CommandBegins() {
    if (InNestedCommand()) return;
    keyTaken = false;
    cuesEnded = false;
}

void EngineKey(unsigned code) {
    if (calculator.Key(code) && !InNestedCommand()) keyTaken = true;
}

// Only the outermost command announces: a screen reader should hear the
// result of the key that was pressed, once, not the steps of it. It hears
// it also when X reads as before (Enter duplicating X, a swap of equal
// values), so that every key taken is answered.
void CommandHandled() {
    FlushDisplayLines();
    if (InNestedCommand()) return;
    if (keyTaken) AnnounceLiveRegionChange(LineControl(0));
}

// The voice first, then the event, in the order of a result, which the
// engine reads out while handling the key and the panel announces after.
// An empty line beeps as a refused key does.
void AnnounceLine(int level) {
    cuesEnded = false;  // a command of its own, which hears the line again
    char shown[kShownTextSize];
    GetWindowTextA(LineControl(level), shown, sizeof shown);
    if (shown[0] == '\0') {
        MessageBeep(0);
        return;
    }
    ReadOut(shown);
    AnnounceLiveRegionChange(LineControl(level));
}

void PanelSetLine(int level, const char* text) {
    std::strncpy(pendingText[level], text, kEntryTextLimit - 1);
    pendingText[level][kEntryTextLimit - 1] = '\0';
    linePending[level] = true;
}

// Line X itself holds the number being typed, whatever last wrote it.
void PanelGetEntryText(char* buffer) {
    FlushDisplayLines();
    GetWindowTextA(LineControl(0), buffer, kEntryTextLimit);
}

int PanelLineXWidth() {
    RECT client;
    GetClientRect(LineControl(0), &client);
    return client.right;
}

// Measured in line X's own font, the one it shows the text in: at the
// template's size it has none (NULL), and the panel's own DC with no font
// selected measures in the system font, as the line shows it.
int PanelTextWidth(const char* text, int length) {
    HDC dc = GetDC(mainWindow);
    HGDIOBJ lineFont = reinterpret_cast<HGDIOBJ>(SendMessageA(LineControl(0), WM_GETFONT, 0, 0));
    HGDIOBJ before = lineFont != NULL ? SelectObject(dc, lineFont) : NULL;
    SIZE extent = {0, 0};
    GetTextExtentPointA(dc, text, length, &extent);
    if (before != NULL) SelectObject(dc, before);
    ReleaseDC(mainWindow, dc);
    return extent.cx;
}

// Cues are never cut short: the input is looked for between them.
void PanelPlayCue(const char* name) {
    FlushDisplayLines();
    if (cuesEnded && std::strcmp(name, kErrorCue) != 0) return;
    PlaySoundSynchronously(name);  // returns when the cue has played
    AnswerSentMessages();
    if (!cuesEnded) cuesEnded = UserInputWaits();
}

void PanelBeep() {
    MessageBeep(0);
}

void PanelShowError(int stringId) {
    FlushDisplayLines();
    ShowMessage(mainWindow, stringId, 0);
}

// A failed copy shows a box: the lines must be current before it.
void PanelCopyText(const char* text) {
    FlushDisplayLines();
    CopyTextToClipboard(text);
}

void PanelDrop() {
    SendNestedCommand(CMD_DROP);
}
