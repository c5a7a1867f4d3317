// The help, in the form the system can show: TORVA.HLP in the system help
// viewer where Windows has one, and elsewhere TORVA-HELP.HTM, the same help
// as one web page, in the user's browser. Both lie beside the program.
#include "help_command.h"

#include "app_globals.h"  // and windows.h, which must come first

#include <shellapi.h>  // SHELLEXECUTEINFOW; SHELL32 itself is loaded when needed

#include "torva_ids.h"

namespace {

// The web page's full path; the help file's is helpPath.
wchar_t pagePath[kPathLimit];

// Windows has a help viewer up to XP. From Vista on, WinHelpA starts a
// stand-in that says the format is not supported and reports success, so
// the version, not WinHelpA's result, tells whether help can be shown so.
// The manifest names every Windows up to 11, so the version reported is
// the real one.
bool SystemHasHelpViewer() {
    OSVERSIONINFOA version;
    version.dwOSVersionInfoSize = sizeof version;
    return GetVersionExA(&version) && version.dwMajorVersion < 6;
}

typedef BOOL(WINAPI* ShellExecuteExFunction)(SHELLEXECUTEINFOW* info);

// Opens the page by its full path with whatever opens web pages. A folder
// of that name would open in Explorer, so only a file is opened. No error
// box of the system's: the program shows its own.
bool OpenPage() {
    DWORD attributes = GetFileAttributesW(pagePath);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    ShellExecuteExFunction shellExecute =
        SystemFunction<ShellExecuteExFunction>("SHELL32.DLL", "ShellExecuteExW");
    if (shellExecute == NULL) return false;
    // The handlers it calls may use COM, which the calling thread must have
    // started.
    StartCom();
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_FLAG_NO_UI;
    info.hwnd = mainWindow;
    info.lpVerb = L"open";
    info.lpFile = pagePath;
    info.nShow = SW_SHOWNORMAL;
    return shellExecute(&info) != FALSE;
}

// The help viewer takes only an ANSI path. Where the code page cannot spell
// the program's folder, not even by its short name, helpPath is empty: a
// path with "?" in it could only fail in the viewer's own words.
bool ShowHelpFile() {
    return helpPath[0] != '\0' && WinHelpA(mainWindow, helpPath, HELP_INDEX, 0) != 0;
}

}  // namespace

void FindHelpFiles() {
    char helpFileName[kStringLimit];
    LoadStringA(appInstance, IDS_HELP_FILE, helpFileName, kStringLimit);
    ModuleRelativePath(helpFileName, helpPath);
    wchar_t pageName[kStringLimit];
    LoadStringW(appInstance, IDS_HELP_PAGE, pageName, kStringLimit);
    ModuleRelativePathW(pageName, pagePath);
}

void ShowHelp() {
    bool shown = SystemHasHelpViewer() ? ShowHelpFile() : OpenPage();
    if (!shown) ShowMessage(mainWindow, IDS_HELP_ERROR, 0);
}

// With no help path the viewer was never asked for the file.
void ReleaseHelp() {
    if (helpPath[0] != '\0') WinHelpA(mainWindow, helpPath, HELP_QUIT, 0);
}
