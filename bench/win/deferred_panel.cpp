// The Panel services with the display writes deferred to the end of each
// command, for measuring that change against the program as it is: the
// engine may rewrite a line several times in one command (an addition
// writes 12 lines to change 4), and under Wine every write is a round trip
// to the window server. Here the texts are kept in memory and each changed
// line is written once, before the command returns, before a message box
// and before a cue, so whatever the user sees or hears is as before.
#include <windows.h>
#include <mmsystem.h>

#include <cstring>

#include "panel.h"
#include "torva_ids.h"
#include "vexlib.h"

namespace {

const int kLines = 4;
char shown[kLines][kEntryTextLimit + 8];    // what the controls hold
char wanted[kLines][kEntryTextLimit + 8];   // what the engine last set
bool known[kLines];                          // shown[] read from the control
WNDPROC programProc = nullptr;
int commandDepth = 0;  // WM_COMMANDs being handled through FlushingProc

void Flush() {
  for (int level = 0; level < kLines; ++level) {
    if (known[level] && std::strcmp(shown[level], wanted[level]) == 0) continue;
    SetDlgItemTextA(mainWindow, IDC_LINE_X + level, wanted[level]);
    std::strcpy(shown[level], wanted[level]);
    known[level] = true;
  }
}

// Every command ends with the display written out.
LRESULT CALLBACK FlushingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_COMMAND) return CallWindowProcA(programProc, window, message, wParam, lParam);
  ++commandDepth;
  LRESULT result = CallWindowProcA(programProc, window, message, wParam, lParam);
  --commandDepth;
  Flush();
  return result;
}

// The first service call happens inside a command, when the panel exists:
// the line texts are read once and the window procedure is wrapped.
void Attach() {
  if (programProc) return;
  for (int level = 0; level < kLines; ++level)
    GetDlgItemTextA(mainWindow, IDC_LINE_X + level, wanted[level], kEntryTextLimit);
  programProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
      mainWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FlushingProc)));
}

}  // namespace

void PanelSetLine(int level, const char* text) {
  Attach();
  std::strncpy(wanted[level], text, kEntryTextLimit);
  wanted[level][kEntryTextLimit] = '\0';
  // Outside a wrapped command (the very first one, which began before the
  // wrapping) nothing would flush later: write at once.
  if (commandDepth == 0) Flush();
}

void PanelGetEntryText(char* buffer) {
  Attach();
  std::strncpy(buffer, wanted[0], kEntryTextLimit - 1);
  buffer[kEntryTextLimit - 1] = '\0';
}

int PanelLineXWidth() {
  RECT client;
  GetClientRect(GetDlgItem(mainWindow, IDC_LINE_X), &client);
  return client.right;
}

int PanelTextWidth(const char* text, int length) {
  HDC dc = GetDC(mainWindow);
  SIZE extent = {0, 0};
  GetTextExtentPointA(dc, text, length, &extent);
  ReleaseDC(mainWindow, dc);
  return extent.cx;
}

void PanelPlayCue(const char* name) {
  Flush();
  sndPlaySoundA(name, 0);
}

void PanelBeep() {
  MessageBeep(0);
}

void PanelShowError(int stringId) {
  Flush();
  ShowMessage(mainWindow, stringId, 0);
}

void PanelCopyText(const char* text) {
  CopyTextToClipboard(text);
}

void PanelDrop() {
  SendMessageA(mainWindow, WM_COMMAND, CMD_DROP, 0);
}
