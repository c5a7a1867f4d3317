// The engine's Panel services, realised on the main panel window: the four
// display lines are its static controls 190 to 193.
//
// The engine may rewrite a line several times in one command (an addition
// pops twice and pushes once: 12 line writes to change 4 lines), and every
// write repaints the control. So a line the engine sets is only marked
// pending here, and written to its control once, when the command has been
// handled (FlushDisplayLines), or earlier: before a message box or a cue,
// and before line X is read back. The controls stay the one record of what
// the panel shows: a pending line is compared with the text its control
// holds now, which another program may have changed, not with what was
// last written.
#include "panel.h"
#include "panel_win32.h"

#include <windows.h>

#include <cstring>

#include "sound_library.h"
#include "torva_ids.h"
#include "vexlib.h"

namespace {

const int kLineCount = 4;

// The lines the engine has set since they were last written, with their
// texts. A text is at most kEntryTextLimit - 1 characters, as the engine
// could read it back.
bool linePending[kLineCount];
char pendingText[kLineCount][kEntryTextLimit];

// Writes a pending line unless its control shows that text already. One
// byte more is read than a line text can hold, so that a longer text put
// there from outside never compares equal.
void FlushLine(int level) {
    if (!linePending[level]) return;
    linePending[level] = false;
    char shown[kEntryTextLimit + 1];
    GetDlgItemTextA(mainWindow, IDC_LINE_X + level, shown, sizeof shown);
    if (std::strcmp(shown, pendingText[level]) != 0)
        SetDlgItemTextA(mainWindow, IDC_LINE_X + level, pendingText[level]);
}

}  // namespace

void FlushDisplayLines() {
    for (int level = 0; level < kLineCount; ++level) FlushLine(level);
}

void PanelSetLine(int level, const char* text) {
    std::strncpy(pendingText[level], text, kEntryTextLimit - 1);
    pendingText[level][kEntryTextLimit - 1] = '\0';
    linePending[level] = true;
}

// Line X itself holds the number being typed, whatever last wrote it.
void PanelGetEntryText(char* buffer) {
    FlushDisplayLines();
    GetDlgItemTextA(mainWindow, IDC_LINE_X, buffer, kEntryTextLimit);
}

int PanelLineXWidth() {
    RECT client;
    GetClientRect(GetDlgItem(mainWindow, IDC_LINE_X), &client);
    return client.right;
}

// Measured on the panel's own DC with no font selected: the same system
// font metrics the line's width was laid out in.
int PanelTextWidth(const char* text, int length) {
    HDC dc = GetDC(mainWindow);
    SIZE extent = {0, 0};
    GetTextExtentPointA(dc, text, length, &extent);
    ReleaseDC(mainWindow, dc);
    return extent.cx;
}

void PanelPlayCue(const char* name) {
    FlushDisplayLines();
    PlaySoundSynchronously(name);  // returns when the cue has played
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
    SendMessageA(mainWindow, WM_COMMAND, CMD_DROP, 0);
}
