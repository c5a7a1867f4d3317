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

static void HelpPathIsBesideTheProgram() {
    char program[MAX_PATH];
    GetModuleFileNameA(NULL, program, sizeof program);
    std::string expected(program);
    expected = expected.substr(0, expected.rfind('\\') + 1) + "TORVA.HLP";

    char path[kPathLimit];
    ModuleRelativePath("TORVA.HLP", path);
    CHECK_EQ_STR(expected, path);
}

int main() {
    appInstance = GetModuleHandleA(NULL);
    mainWindow = CreateWindowA("STATIC", "stand-in panel", WS_OVERLAPPED, 0, 0, 10, 10, NULL,
                               NULL, appInstance, NULL);
    soundEnabled = 0;

    CopyPlacesTextAndFreesClipboard();
    CopyFailureReportsAndKeepsFormerContent();
    ReadAppendsLineFeedAndCutsLongText();
    ReadFailureReportsWithClipboardFree();
    HelpPathIsBesideTheProgram();

    printf("%s: %d failure(s)\n", failures ? "FAILED" : "passed", failures);
    return failures ? 1 : 0;
}
