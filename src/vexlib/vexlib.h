// The utility library: message boxes from string-table ids, fatal checks
// that name a source module and line, paths beside the running program,
// copying text to the clipboard and the About box's dialog procedure.
#ifndef TORVA_VEXLIB_H
#define TORVA_VEXLIB_H

#include <windows.h>

// Defined by the application: the module whose string table, dialogs and
// icon are used, and the main panel (null until it is being created).
extern HINSTANCE appInstance;
extern HWND mainWindow;

// Size of every buffer a string-table text is loaded into.
const int kStringLimit = 81;

// Size of the buffer ModuleRelativePath writes: a path of at most 1023
// characters and its NUL.
const int kPathLimit = 1024;

// Shows string stringId in a task-modal box with the exclamation icon. The
// caption is "... - Fatal Error" when fatal is exactly 1, else "... - Error".
void ShowMessage(HWND owner, int stringId, int fatal);

// Shows string stringId, whose one "%s" is replaced by name (a path of up
// to kPathLimit bytes, say), as an ordinary error box like ShowMessage's.
void ShowMessageNaming(HWND owner, int stringId, const char* name);

// When condition is non-zero: shows stringId as a fatal error, then the
// location "sourceName/line", and ends the process with exit code 1.
// Returns only when condition is 0.
void FatalCheck(int condition, int stringId, const char* sourceName, long line);

// Writes into out (kPathLimit bytes) the directory of the running program,
// with its trailing backslash, followed by fileName.
void ModuleRelativePath(const char* fileName, char* out);

// Places text on the clipboard as CF_TEXT, opened for mainWindow. Any
// failure shows "Cannot copy number to Clipboard" and leaves the clipboard
// as it was, closed.
void CopyTextToClipboard(const char* text);

// Dialog procedure of the About box: closes it on command 2 (OK, Enter,
// Escape).
INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wordParameter,
                                 LPARAM longParameter);

#endif
