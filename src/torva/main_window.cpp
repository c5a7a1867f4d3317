// The main panel's window procedure: finds the help file when the panel is
// created, annotates it for screen readers, releases help and quits when it
// is destroyed, and routes every command code to the engine or to one of
// the front end's own commands. It keeps the caret that magnifiers follow
// while it has the focus, and lays itself out again when the text size or
// its monitor's DPI changes.
#include "app_globals.h"

#include "calc_stack.h"
#include "clipboard_read.h"
#include "command_gate.h"
#include "help_command.h"
#include "line_caret.h"
#include "panel_layout.h"
#include "panel_win32.h"
#include "screen_reader.h"
#include "settings_file.h"
#include "torva_ids.h"

namespace {

// Posted when the panel is created, to annotate its controls once they
// exist: the template's controls are made after the panel's WM_CREATE.
const UINT kAnnotateMessage = WM_APP;

// Where a command code goes. Copy reaches the engine too, but its result
// is on the clipboard, not in line X: it is not announced.
enum Route { kDefault, kEngine, kCopy, kHelp, kAbout, kExit, kSound, kPaste, kAnnounceLine };

// The keys that make a display line announce itself, and their lines.
const struct LineKey {
    unsigned code;
    int level;
} kLineKeys[] = {
    {CMD_ANNOUNCE_X, 0}, {CMD_ANNOUNCE_Y, 1}, {CMD_ANNOUNCE_Z, 2}, {CMD_ANNOUNCE_T, 3}};

// The line a code announces, or -1.
int LineOfKey(unsigned code) {
    for (const LineKey& key : kLineKeys)
        if (key.code == code) return key.level;
    return -1;
}

// The routing table: codes not named here, nor in kLineKeys, go to the
// default processing. Only the codes of the engine's keys and commands
// reach the engine.
Route RouteOf(unsigned code) {
    switch (code) {
    case CMD_BACKSPACE:
    case CMD_ENTER:
    case CMD_MULTIPLY:
    case CMD_ADD:
    case CMD_SUBTRACT:
    case CMD_POINT:
    case CMD_DIVIDE:
    case CMD_DIGIT_0: case CMD_DIGIT_1: case CMD_DIGIT_2: case CMD_DIGIT_3: case CMD_DIGIT_4:
    case CMD_DIGIT_5: case CMD_DIGIT_6: case CMD_DIGIT_7: case CMD_DIGIT_8: case CMD_DIGIT_9:
    case CMD_POWER:
    case CMD_RECIPROCAL:
    case CMD_CHANGE_SIGN:
    case CMD_SQRT:
    case CMD_DROP:
    case CMD_CLEAR:
    case CMD_SWAP:
    case CMD_SQUARE:
        return kEngine;
    case CMD_COPY:  return kCopy;
    case CMD_HELP:  return kHelp;
    case CMD_ABOUT: return kAbout;
    case CMD_EXIT:  return kExit;
    case CMD_SOUND: return kSound;
    case CMD_PASTE: return kPaste;
    default:        return LineOfKey(code) >= 0 ? kAnnounceLine : kDefault;
    }
}

// Both ways out come here while the panel's controls still exist: Exit
// leaves the panel in place, and a close destroys the panel before its
// children. Takes the annotations off the controls, tells the help viewer
// the help file is no longer needed, then ends the message loop.
void Quit() {
    ClearPanelAnnotations();
    ReleaseHelp();
    PostQuitMessage(0);
}

void ShowAbout() {
    INT_PTR result =
        DialogBoxParamA(appInstance, "DIAL_ABOUT", mainWindow, AboutDialogProc, 0);
    FatalCheck(result == -1, IDS_NO_DIALOG, "torva", 143);
}

// The dialog changes soundEnabled as its buttons are clicked; the setting
// is stored only when the value differs from the one before.
void ChooseSound() {
    int before = soundEnabled;
    INT_PTR result =
        DialogBoxParamA(appInstance, "DIAL_SOUND", mainWindow, SoundDialogProc, 0);
    FatalCheck(result == -1, IDS_NO_DIALOG, "torva", 160);
    if (soundEnabled != before) StoreSoundSetting(soundEnabled);
}

// Replays the clipboard text as keys. Every character, whatever it is,
// goes to the engine as an unsigned byte; the routing table is not applied.
// The whole paste is one command: one announcement of its result, if the
// engine took any of its keys (a clipboard without text gives none).
void Paste() {
    char text[kPasteBufferSize + 1];
    CommandBegins();
    ReadClipboardText(text);
    for (const char* p = text; *p != '\0'; ++p) {
        EngineKey(static_cast<unsigned char>(*p));
    }
    CommandHandled();
}

LRESULT OnCommand(HWND window, UINT message, WPARAM wordParameter, LPARAM longParameter) {
    SetFocus(mainWindow);  // away from a clicked button, for every command
    AnnotatePanel();       // if a command sent by another program comes first
    // The engine looks at the low byte only; afterwards its commands go on
    // to the default processing like any other.
    const unsigned code = static_cast<unsigned>(wordParameter);
    switch (RouteOf(LOWORD(wordParameter))) {
    case kEngine:
        CommandBegins();
        EngineKey(code);
        CommandHandled();
        break;
    case kCopy:
        CommandBegins();
        calculator.Key(code);
        CommandHandled();
        break;
    case kAnnounceLine: AnnounceLine(LineOfKey(LOWORD(wordParameter))); return 0;
    case kHelp:  ShowHelp();    return 0;
    case kAbout: ShowAbout();   return 0;
    case kExit:  Quit();        return 0;
    case kSound: ChooseSound(); return 0;
    case kPaste: Paste();       return 0;
    case kDefault:
        break;
    }
    return DefWindowProcA(window, message, wordParameter, longParameter);
}

// Carries out a command that may run now: a WM_COMMAND, or a WM_CLOSE,
// whose default processing destroys the panel.
LRESULT RunCommand(HWND window, UINT message, WPARAM wordParameter, LPARAM longParameter) {
    EnterCommand();
    LRESULT result = message == WM_COMMAND
                         ? OnCommand(window, message, wordParameter, longParameter)
                         : DefWindowProcA(window, message, wordParameter, longParameter);
    LeaveCommand();
    if (!CommandUnderWay()) PanelCommandEnded();
    return result;
}

}  // namespace

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wordParameter,
                                LPARAM longParameter) {
    // The first message arrives while the panel is being created, so the
    // handle is known to everything its creation runs.
    if (mainWindow == NULL) mainWindow = window;
    if (WaitsForCommandUnderWay(message, wordParameter, longParameter)) return 0;

    switch (message) {
    case WM_CREATE:
        FindHelpFiles();
        PostMessageA(window, kAnnotateMessage, 0, 0);
        return 0;
    case kAnnotateMessage:
        AnnotatePanel();
        return 0;
    case WM_DESTROY:
        Quit();
        return 0;
    case WM_COMMAND:
    case WM_CLOSE:
        return RunCommand(window, message, wordParameter, longParameter);
    case WM_SETFOCUS:
        TakeLineCaret();
        return 0;
    case WM_KILLFOCUS:
        DropLineCaret();
        return 0;
    case WM_SETTINGCHANGE:  // the text size may have changed
        PanelSettingsChanged();
        return DefWindowProcA(window, message, wordParameter, longParameter);
    case WM_DPICHANGED:
        PanelDpiChanged(wordParameter, longParameter);
        return 0;
    default:
        // The system menu's close, too: the WM_CLOSE it sends is the command.
        return DefWindowProcA(window, message, wordParameter, longParameter);
    }
}
