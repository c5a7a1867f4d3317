// The engine's Panel services, realised on the main panel window: the four
// display lines are its static controls 190 to 193.
//
// The engine may rewrite a line several times in one command (an addition
// pops twice and pushes once: 12 line writes to change 4 lines), and every
// write repaints the control. So the texts are kept here and each changed
// line is written to its control once, when the command has been handled
// (FlushDisplayLines), or earlier before a message box or a cue.
#include "panel.h"
#include "panel_win32.h"

#include <windows.h>

#include <cstring>

#include "sound_library.h"
#include "torva_ids.h"
#include "vexlib.h"

namespace {

const int kLineCount = 4;
char wantedText[kLineCount][kEntryTextLimit];  // as the engine last set it
char shownText[kLineCount][kEntryTextLimit];   // as the control holds it

// Copies at most kEntryTextLimit - 1 characters and the NUL, as reading the
// text back from the control would.
void CopyLineText(char* to, const char* from) {
    std::strncpy(to, from, kEntryTextLimit - 1);
    to[kEntryTextLimit - 1] = '\0';
}

}  // namespace

void FlushDisplayLines() {
    for (int level = 0; level < kLineCount; ++level) {
        if (std::strcmp(shownText[level], wantedText[level]) == 0) continue;
        SetDlgItemTextA(mainWindow, IDC_LINE_X + level, wantedText[level]);
        CopyLineText(shownText[level], wantedText[level]);
    }
}

void PanelSetLine(int level, const char* text) {
    CopyLineText(wantedText[level], text);
}

// The entry text is the text line X shows once the command is done.
void PanelGetEntryText(char* buffer) {
    CopyLineText(buffer, wantedText[0]);
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

void PanelCopyText(const char* text) {
    CopyTextToClipboard(text);
}

void PanelDrop() {
    SendMessageA(mainWindow, WM_COMMAND, CMD_DROP, 0);
}
