// Start-up and the message loop: registers the panel's window class, loads
// the keyboard map and the sound setting, creates the panel from its dialog
// template and runs the program's one message loop.
#include "app_globals.h"

#include "calc_stack.h"  // soundEnabled
#include "panel_layout.h"
#include "settings_file.h"
#include "torva_ids.h"

namespace {

void RegisterPanelClass() {
    WNDCLASSA panelClass;
    panelClass.style = CS_VREDRAW | CS_HREDRAW;
    panelClass.lpfnWndProc = MainWindowProc;
    panelClass.cbClsExtra = 0;
    // The dialog manager keeps its per-window data in the panel's extra
    // bytes, because the panel is made from a dialog template.
    panelClass.cbWndExtra = DLGWINDOWEXTRA;
    panelClass.hInstance = appInstance;
    panelClass.hIcon = LoadIconA(appInstance, "ICONX");
    panelClass.hCursor = LoadCursorA(NULL, IDC_ARROW);
    panelClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    panelClass.lpszMenuName = NULL;
    panelClass.lpszClassName = className;
    RegisterClassA(&panelClass);
}

typedef BOOL(WINAPI* SetDefaultDllDirectoriesFunction)(DWORD directories);
typedef BOOL(WINAPI* SetDllDirectoryFunction)(LPCSTR folder);

// A DLL that a system DLL loads later by a bare name (WINMM loads its audio
// driver so) would be looked for beside TORVA.EXE and in the current
// folder first. Limit every later search to the system folder, where the
// system knows the search flags; elsewhere at least take the current
// folder out of the search, where the system can (XP SP1 and later). Both
// are looked up, so that the program still starts on XP without a service
// pack.
void LimitDllSearchToSystemFolder() {
    HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
    if (SystemHasDllSearchFlags()) {
        SetDefaultDllDirectoriesFunction setDefaultDirectories =
            LibraryFunction<SetDefaultDllDirectoriesFunction>(kernel, "SetDefaultDllDirectories");
        if (setDefaultDirectories != NULL && setDefaultDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32))
            return;
    }
    SetDllDirectoryFunction setDllDirectory =
        LibraryFunction<SetDllDirectoryFunction>(kernel, "SetDllDirectoryA");
    if (setDllDirectory != NULL) setDllDirectory("");
}

// A character accelerator with Alt also matches the key-down of the virtual
// key with the same number while Alt is held: Alt+F4 (VK_F4 is 0x73, "s")
// would take the square root instead of closing the window, and Alt+F8,
// Alt+F9, Alt+F10 and the Alt+numpad keys would hit "w", "x", "y" and
// "a".."h". No entry of the keyboard map is meant for the numpad and
// function-key range with Alt, so such keys skip the accelerators and get
// their usual system handling. Bit 29 of a key message is set while Alt is
// held.
bool IsAltWithNumpadOrFunctionKey(const MSG& msg) {
    if (msg.message != WM_SYSKEYDOWN && msg.message != WM_KEYDOWN) return false;
    bool altHeld = (msg.lParam & (1L << 29)) != 0;
    return altHeld && msg.wParam >= VK_NUMPAD0 && msg.wParam <= VK_F24;
}

// Every message is offered to the keyboard map first, whatever window it
// is for; no dialog keyboard handling is done, so the map is the panel's
// whole keyboard interface.
int RunMessageLoop(HACCEL keyboardMap) {
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0)) {
        if (!IsAltWithNumpadOrFunctionKey(msg) &&
            TranslateAcceleratorA(mainWindow, keyboardMap, &msg)) {
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

}  // namespace

// cppcheck-suppress constParameter ; the system defines WinMain's parameters
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine,
                   int showCommand) {
    (void)commandLine;
    LimitDllSearchToSystemFolder();
    appInstance = instance;
    // Loaded even without registering: it is also the settings section.
    LoadStringA(appInstance, IDS_CLASS_NAME, className, kStringLimit);
    if (previousInstance == NULL) RegisterPanelClass();

    HACCEL keyboardMap = LoadAcceleratorsA(appInstance, "ACCELS");
    FatalCheck(keyboardMap == NULL, IDS_NO_ACCELERATORS, "torva", 55);

    LoadStringA(appInstance, IDS_INI_FILE, settingsFileName, kStringLimit);
    LoadStringA(appInstance, IDS_SOUND_KEY, soundKeyName, kStringLimit);
    soundEnabled = ReadSoundSetting();

    // The template names the class registered above, so the panel's
    // messages go to MainWindowProc, which stores mainWindow already during
    // this call.
    mainWindow = CreateDialogParamA(appInstance, "DIAL_MAIN", NULL, NULL, 0);
    LayOutPanelAtStart();
    ShowWindow(mainWindow, showCommand);

    int exitCode = RunMessageLoop(keyboardMap);
    EndCom();  // the panel's annotations are off by now (Quit)
    return exitCode;
}
