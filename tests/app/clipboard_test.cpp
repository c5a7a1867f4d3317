// Checks of the clipboard exchange and module-relative paths, run under
// Wine against the program's own code with a hidden stand-in for the panel.
// The message boxes that failures show are watched for, read and closed
// from a second thread, as a user would close them.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <string>

#include "calc_stack.h"      // soundEnabled
#include "clipboard_read.h"  // ReadClipboardText
#include "vexlib.h"

static int failures = 0;

#define CHECK(condition)                                                          \
    do {                                                                          \
        if (!(condition)) {                                                       \
            printf("%s:%d: CHECK failed: %s\n", __FILE__, __LINE__, #condition); \
            ++failures;                                                           \
        }                                                                         \
    } while (0)

#define CHECK_EQ_STR(expected, actual) CHECK(std::string(expected) == std::string(actual))

// ---- clipboard helpers, as another program would use the clipboard ----

static void PutClipboardText(const char* text) {
    size_t size = strlen(text) + 1;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    memcpy(GlobalLock(block), text, size);
    GlobalUnlock(block);
    if (!OpenClipboard(NULL)) return;
    EmptyClipboard();
    SetClipboardData(CF_TEXT, block);
    CloseClipboard();
}

static void EmptyTheClipboard() {
    if (!OpenClipboard(NULL)) return;
    EmptyClipboard();
    CloseClipboard();
}

// The clipboard's text, or "(closed)" when it cannot be opened right now.
static std::string ClipboardText() {
    if (!OpenClipboard(NULL)) return "(closed)";
    HANDLE block = GetClipboardData(CF_TEXT);
    const char* text = block ? static_cast<const char*>(GlobalLock(block)) : NULL;
    std::string result = text ? text : "(no text)";
    if (text) GlobalUnlock(block);
    CloseClipboard();
    return result;
}

// ---- watching for the message box the code under test shows ----

struct BoxWatch {
    DWORD ownerThread;
    HWND box;
    char caption[128];
    char text[128];
    bool clipboardFreeDuringBox;  // another thread could open the clipboard
};

static BOOL CALLBACK FindDialog(HWND window, LPARAM parameter) {
    BoxWatch* watch = reinterpret_cast<BoxWatch*>(parameter);
    char className[32];
    GetClassNameA(window, className, sizeof className);
    if (strcmp(className, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
    watch->box = window;
    return FALSE;
}

// Waits up to 10 s for a box of the owner thread, reads it, tries the
// clipboard, then presses OK.
static DWORD WINAPI WatchForBox(LPVOID parameter) {
    BoxWatch* watch = static_cast<BoxWatch*>(parameter);
    for (int i = 0; i < 200 && watch->box == NULL; ++i) {
        EnumThreadWindows(watch->ownerThread, FindDialog, reinterpret_cast<LPARAM>(watch));
        if (watch->box == NULL) Sleep(50);
    }
    if (watch->box == NULL) return 0;
    GetWindowTextA(watch->box, watch->caption, sizeof watch->caption);
    GetDlgItemTextA(watch->box, 0xFFFF, watch->text, sizeof watch->text);
    watch->clipboardFreeDuringBox = OpenClipboard(NULL) != FALSE;
    if (watch->clipboardFreeDuringBox) CloseClipboard();
    PostMessageA(watch->box, WM_COMMAND, IDOK, 0);
    return 0;
}

static HANDLE StartWatch(BoxWatch& watch) {
    memset(&watch, 0, sizeof watch);
    watch.ownerThread = GetCurrentThreadId();
    return CreateThread(NULL, 0, WatchForBox, &watch, 0, NULL);
}

static void EndWatch(HANDLE thread) {
    WaitForSingleObject(thread, 15000);
    CloseHandle(thread);
}

// Holds the clipboard open from another thread until released.
struct Holder {
    HANDLE opened, release;
};

static DWORD WINAPI HoldClipboard(LPVOID parameter) {
    Holder* holder = static_cast<Holder*>(parameter);
    BOOL open = OpenClipboard(NULL);
    SetEvent(holder->opened);
    WaitForSingleObject(holder->release, 15000);
    if (open) CloseClipboard();
    return 0;
}

// ---- the checks ----

static void CopyPlacesTextAndFreesClipboard() {
    EmptyTheClipboard();
    CopyTextToClipboard("0.666666666667");
    CHECK_EQ_STR("0.666666666667", ClipboardText());  // also: it is closed again
}

static void CopyFailureReportsAndKeepsFormerContent() {
    PutClipboardText("former");
    Holder holder = {CreateEventA(NULL, TRUE, FALSE, NULL), CreateEventA(NULL, TRUE, FALSE, NULL)};
    HANDLE holderThread = CreateThread(NULL, 0, HoldClipboard, &holder, 0, NULL);
    WaitForSingleObject(holder.opened, 5000);

    BoxWatch watch;
    HANDLE watcher = StartWatch(watch);
    CopyTextToClipboard("42");
    EndWatch(watcher);
    SetEvent(holder.release);
    WaitForSingleObject(holderThread, 5000);

    CHECK(watch.box != NULL);
    CHECK_EQ_STR("TORVA NT - Error", watch.caption);
    CHECK_EQ_STR("Cannot copy number to Clipboard", watch.text);
    CHECK_EQ_STR("former", ClipboardText());
}

static void ReadAppendsLineFeedAndCutsLongText() {
    char out[kPasteBufferSize + 16];

    PutClipboardText("12+3");
    ReadClipboardText(out);
    CHECK_EQ_STR("12+3\n", out);
    CHECK_EQ_STR("12+3", ClipboardText());  // closed again, content untouched

    PutClipboardText("");
    ReadClipboardText(out);
    CHECK_EQ_STR("\n", out);

    std::string digits;
    for (int i = 0; i < 100; ++i) digits += static_cast<char>('0' + i % 10);
    PutClipboardText(digits.c_str());
    memset(out, 'x', sizeof out);
    ReadClipboardText(out);
    CHECK_EQ_STR(digits.substr(0, 81) + "\n", out);
}

static void ReadFailureReportsWithClipboardFree() {
    EmptyTheClipboard();  // no text at all
    char out[kPasteBufferSize];
    strcpy(out, "stale");

    BoxWatch watch;
    HANDLE watcher = StartWatch(watch);
    ReadClipboardText(out);
    EndWatch(watcher);

    CHECK(watch.box != NULL);
    CHECK_EQ_STR("TORVA NT - Error", watch.caption);
    CHECK_EQ_STR("Cannot paste number from Clipboard", watch.text);
    CHECK(watch.clipboardFreeDuringBox);
    CHECK_EQ_STR("", out);
    CHECK(OpenClipboard(NULL));
    CloseClipboard();
}

// The bounded copy on a block that ends, with no NUL, where readable memory
// ends: reading one byte past the block would fault.
static void CopyStopsAtTheBlockEnd() {
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const size_t page = system.dwPageSize;
    char* pages = static_cast<char*>(VirtualAlloc(NULL, 2 * page, MEM_COMMIT, PAGE_READWRITE));
    DWORD former = 0;
    CHECK(pages != NULL && VirtualProtect(pages + page, page, PAGE_NOACCESS, &former));
    if (pages == NULL) return;

    const size_t sizes[] = {1, 3, 80, 81, 200};
    for (size_t size : sizes) {
        char* block = pages + page - size;
        memset(block, '5', size);
        char out[kPasteBufferSize];
        size_t copied = CopyClipboardText(block, size, out);
        CHECK(copied == (size < 81 ? size : 81));
        CHECK(std::string(out, copied) == std::string(copied, '5'));
    }
    char text[] = "12\0" "34";  // a NUL inside the block ends the text
    char out[kPasteBufferSize];
    CHECK(CopyClipboardText(text, sizeof text, out) == 2);
    VirtualFree(pages, 0, MEM_RELEASE);
}

// The slot through which this program calls an imported function: the
// checks put a failing stand-in there to see what the code does when the
// system call fails.
static void** ImportSlot(const char* dll, const char* function) {
    BYTE* base = reinterpret_cast<BYTE*>(GetModuleHandleA(NULL));
    IMAGE_NT_HEADERS* headers =
        reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    DWORD imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (IMAGE_IMPORT_DESCRIPTOR* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports);
         d->Name != 0; ++d) {
        if (lstrcmpiA(reinterpret_cast<char*>(base + d->Name), dll) != 0) continue;
        IMAGE_THUNK_DATA* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
        IMAGE_THUNK_DATA* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            IMAGE_IMPORT_BY_NAME* byName =
                reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (strcmp(reinterpret_cast<char*>(byName->Name), function) == 0)
                return reinterpret_cast<void**>(&slots->u1.Function);
        }
    }
    return NULL;
}

static void* ReplaceImport(void** slot, void* with) {
    DWORD former = 0;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &former);
    void* was = *slot;
    *slot = with;
    VirtualProtect(slot, sizeof *slot, former, &former);
    return was;
}

static BOOL WINAPI EmptyClipboardFails() {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

// The clipboard opened, but emptying it failed: the copy must close it
// again before its box, or every other program is locked out of it.
static void CopyClosesTheClipboardWhenEmptyingFails() {
    PutClipboardText("former");
    void** slot = ImportSlot("user32.dll", "EmptyClipboard");
    CHECK(slot != NULL);
    if (slot == NULL) return;
    void* real = ReplaceImport(slot, reinterpret_cast<void*>(EmptyClipboardFails));

    BoxWatch watch;
    HANDLE watcher = StartWatch(watch);
    CopyTextToClipboard("42");
    EndWatch(watcher);
    ReplaceImport(slot, real);

    CHECK_EQ_STR("Cannot copy number to Clipboard", watch.text);
    CHECK(watch.clipboardFreeDuringBox);
    CHECK_EQ_STR("former", ClipboardText());
}

// Run as a copy of this program: writes the help path it builds to a file.
static int WriteHelpPath(const char* outFile) {
    char path[kPathLimit];
    ModuleRelativePath("TORVA.HLP", path);
    FILE* out = fopen(outFile, "w");
    if (out == NULL) return 1;
    fputs(path, out);
    fclose(out);
    return 0;
}

// The help path a copy of this program builds when it runs as `exe`.
static std::string HelpPathOfCopyAt(const std::string& exe) {
    char self[MAX_PATH], temp[MAX_PATH];
    GetModuleFileNameA(NULL, self, sizeof self);
    GetTempPathA(sizeof temp, temp);
    std::string outFile = std::string(temp) + "torva_help_path.txt";
    DeleteFileA(outFile.c_str());
    if (!CopyFileA(self, exe.c_str(), FALSE)) return "(cannot copy to " + exe + ")";

    std::string commandLine = "\"" + exe + "\" --help-path \"" + outFile + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string path = "(did not run)";
    if (CreateProcessA(exe.c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                       &process)) {
        WaitForSingleObject(process.hProcess, 15000);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
        char text[kPathLimit] = "";
        FILE* in = fopen(outFile.c_str(), "r");
        if (in != NULL) {
            path = fgets(text, sizeof text, in) ? text : "";
            fclose(in);
        }
    }
    DeleteFileA(exe.c_str());
    DeleteFileA(outFile.c_str());
    return path;
}

// The help file lies beside the program, wherever that is: in a folder or
// at the root of a drive, where the folder is only "C:\".
static void HelpPathIsBesideTheProgram() {
    CreateDirectoryA("C:\\TOOLS", NULL);
    CHECK_EQ_STR("C:\\TOOLS\\TORVA.HLP", HelpPathOfCopyAt("C:\\TOOLS\\TORVA.EXE"));
    RemoveDirectoryA("C:\\TOOLS");
    CHECK_EQ_STR("C:\\TORVA.HLP", HelpPathOfCopyAt("C:\\TORVA.EXE"));
}

// A program path that does not fit its buffer is refused, not cut: cut at
// its last backslash it could name a parent folder, and a help file placed
// there would be opened.
static void ModuleFolderRefusesACutPath() {
    wchar_t path[kModulePathSize];
    DWORD length = GetModuleFileNameW(NULL, path, kModulePathSize);
    wchar_t folder[kModulePathSize];
    CHECK(ModuleFolder(folder, length + 1) == kModuleFolderFound);
    CHECK(ModuleFolder(folder, length) == kModulePathTooLong);
    CHECK(ModuleFolder(folder, 4) == kModulePathTooLong);
}

// A check that makes the code under test fault (a read past a block's end)
// must fail at once, not leave the system's crash dialog waiting.
static LONG WINAPI ReportFault(EXCEPTION_POINTERS* fault) {
    printf("FAILED: exception 0x%08lx in the code under test\n",
           static_cast<unsigned long>(fault->ExceptionRecord->ExceptionCode));
    fflush(stdout);
    ExitProcess(1);
}

int main(int argc, char** argv) {
    SetUnhandledExceptionFilter(ReportFault);
    appInstance = GetModuleHandleA(NULL);
    if (argc == 3 && strcmp(argv[1], "--help-path") == 0) return WriteHelpPath(argv[2]);
    mainWindow = CreateWindowA("STATIC", "stand-in panel", WS_OVERLAPPED, 0, 0, 10, 10, NULL,
                               NULL, appInstance, NULL);
    soundEnabled = 0;

    CopyPlacesTextAndFreesClipboard();
    CopyFailureReportsAndKeepsFormerContent();
    ReadAppendsLineFeedAndCutsLongText();
    ReadFailureReportsWithClipboardFree();
    CopyStopsAtTheBlockEnd();
    CopyClosesTheClipboardWhenEmptyingFails();
    HelpPathIsBesideTheProgram();
    ModuleFolderRefusesACutPath();

    printf("%s: %d failure(s)\n", failures ? "FAILED" : "passed", failures);
    return failures ? 1 : 0;
}
