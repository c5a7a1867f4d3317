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
// to kPathLimit characters, say), as an ordinary error box like
// ShowMessage's. The name is Unicode: a path may hold any letter.
void ShowMessageNaming(HWND owner, int stringId, const wchar_t* name);

// When condition is non-zero: shows stringId as a fatal error, then the
// location "sourceName/line", and ends the process with exit code 1.
// Returns only when condition is 0.
void FatalCheck(int condition, int stringId, const char* sourceName, long line);

// Size of the buffer the running program's path is read into: 1024
// characters and a NUL.
const DWORD kModulePathSize = 1025;

enum ModuleFolderResult { kModuleFolderFound, kModulePathWithoutFolder, kModulePathTooLong };

// Writes into folder (size characters) the folder of the running program,
// with its trailing backslash. kModulePathTooLong when the program's path
// does not fit, kModulePathWithoutFolder when it holds no backslash.
ModuleFolderResult ModuleFolder(wchar_t* folder, DWORD size);

// Writes into out (kPathLimit characters) the folder of the running
// program, with its trailing backslash, followed by fileName. A path that
// cannot be built (see ModuleFolder, or too long when joined) ends the
// program through a fatal check.
void ModuleRelativePathW(const wchar_t* fileName, wchar_t* out);

// The same in the ANSI code page (kPathLimit bytes), for the calls that
// take only ANSI text. A folder the code page cannot spell is given by its
// short name; where it has none that the code page spells either, out is
// empty and the result false: no ANSI call can reach the file. A path too
// long for out ends the program through a fatal check, as above.
bool ModuleRelativePath(const char* fileName, char* out);

// Whether the system's DLL loader knows the LOAD_LIBRARY_SEARCH_ flags
// (Windows 8 and later, Vista and 7 with update KB2533623). Microsoft's
// documented test: KERNEL32 exports AddDllDirectory, which came with them.
bool SystemHasDllSearchFlags();

// Loads a DLL of the system folder by its full path, never by a bare name,
// so that a DLL of that name lying beside the program is never loaded;
// the DLLs it needs are looked for in the system folder too. NULL when it
// cannot be loaded. It stays loaded for the life of the process.
HMODULE LoadSystemLibrary(const char* fileName);

// The named export of library as a function of type Function, or NULL.
// GetProcAddress returns every function as FARPROC; going through
// void (*)(void), the type that stands for any function, says that the
// cast to the real type is meant.
template <typename Function>
Function LibraryFunction(HMODULE library, const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void (*)(void)>(GetProcAddress(library, name)));
}

// The same for a DLL of the system folder, loaded with LoadSystemLibrary;
// NULL when the DLL or the function is missing.
template <typename Function>
Function SystemFunction(const char* fileName, const char* name) {
    HMODULE library = LoadSystemLibrary(fileName);
    return library != NULL ? LibraryFunction<Function>(library, name) : NULL;
}

// Starts COM (OLE32, loaded from the system folder) in the calling thread's
// apartment, once for the life of the program. False where COM is missing
// or refuses.
bool StartCom();

// Ends COM in the thread that started it, once every COM object of the
// program has been released. Afterwards StartCom starts nothing again.
void EndCom();

// Opens the clipboard for owner, trying again for half a second while
// another program has it open: a clipboard manager or a remote desktop
// takes a copy of each new content, and for that moment nobody else can
// open it. False when it stayed taken.
bool OpenClipboardPatiently(HWND owner);

// Places text on the clipboard as CF_TEXT, opened for mainWindow. Any
// failure shows "Cannot copy number to Clipboard" and leaves the clipboard
// closed: as it was, or empty when emptying it worked and placing the text
// did not.
void CopyTextToClipboard(const char* text);

// ---- Layout at a scale. Scales are in thousandths: kScaleOne is the size
// a dialog template gives, in the system font, at the system's DPI.
const int kScaleOne = 1000;

// The most controls a window laid out at a scale may have (the panel has 34).
const int kMostScaledControls = 40;

// A window's controls where its template put them, in its client area, and
// the size of that client area: every layout is made from these, so that
// laying out again and again gathers no rounding.
struct TemplateLayout {
    int count;
    HWND controls[kMostScaledControls];
    RECT rects[kMostScaledControls];
    SIZE client;
};

// Records the window's controls as they are now, just after its creation.
void RecordTemplateLayout(HWND window, TemplateLayout* layout);

// The one way a window is laid out at a scale: every control at its
// template rectangle times scale, all with font (NULL: the system font, as
// the template gives). Returns the window size its client area needs at
// that scale; the caller places the window.
SIZE LayOutAtScale(HWND window, const TemplateLayout& layout, int scale, HFONT font);

// The scale the panel is laid out at, and its font (NULL at kScaleOne),
// which the boxes take on as they open. Setting it makes the font of the
// new scale and returns the one before, for the caller to delete once no
// control uses it.
HFONT SetDisplayScale(int scale);
int DisplayScale();
HFONT DisplayFont();

// The window's frame: what its window rectangle has beyond its client area.
SIZE FrameOf(HWND window);

// The work area (the screen less the task bar) of the monitor a window at
// that rectangle is on, or the nearest; false when Windows cannot tell.
bool WorkAreaAt(const RECT& window, RECT* work);

// The top-left corner at which a window of that size, wanted at `at`,
// lies inside the work area of the monitor it is on, as far as it can.
POINT InsideWorkArea(POINT at, SIZE size);

// Lays a box out at the display scale as it is being made (WM_INITDIALOG),
// placed from its owner as its template places it, inside the work area.
// At kScaleOne it stays exactly as its template made it.
void ScaleDialogBox(HWND dialog);

// Dialog procedure of the About box: closes it on command 2 (OK, Enter,
// Escape).
INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wordParameter,
                                 LPARAM longParameter);

#endif
