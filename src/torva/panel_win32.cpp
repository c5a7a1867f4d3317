// The engine's Panel services, realised on the main panel window: the four
// display lines are its static controls 190 to 193.
#include "panel.h"

#include <windows.h>
#include <mmsystem.h>

#include "torva_ids.h"
#include "vexlib.h"

void PanelSetLine(int level, const char* text) {
    SetDlgItemTextA(mainWindow, IDC_LINE_X + level, text);
}

void PanelGetEntryText(char* buffer) {
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
    sndPlaySoundA(name, 0);  // synchronous: returns when the cue has played
}

void PanelBeep() {
    MessageBeep(0);
}

void PanelShowError(int stringId) {
    ShowMessage(mainWindow, stringId, 0);
}

void PanelCopyText(const char* text) {
    CopyTextToClipboard(text);
}

void PanelDrop() {
    SendMessageA(mainWindow, WM_COMMAND, CMD_DROP, 0);
}
