// Message boxes and fatal checks.
#include "vexlib.h"

#include <stdio.h>
#include <wchar.h>

#include "torva_ids.h"

namespace {

void ShowBox(HWND owner, const char* text, int fatal) {
    char caption[kStringLimit];
    LoadStringA(appInstance, fatal == 1 ? IDS_FATAL_CAPTION : IDS_ERROR_CAPTION, caption,
                kStringLimit);
    MessageBoxA(owner, text, caption, MB_TASKMODAL | MB_ICONEXCLAMATION);
}

}  // namespace

void ShowMessage(HWND owner, int stringId, int fatal) {
    char text[kStringLimit];
    LoadStringA(appInstance, stringId, text, kStringLimit);
    ShowBox(owner, text, fatal);
}

void ShowMessageNaming(HWND owner, int stringId, const wchar_t* name) {
    wchar_t caption[kStringLimit];
    LoadStringW(appInstance, IDS_ERROR_CAPTION, caption, kStringLimit);
    wchar_t format[kStringLimit];
    LoadStringW(appInstance, stringId, format, kStringLimit);

    // The name goes in where "%s" stands; the text is not a format, so
    // nothing in the name is ever read as one.
    wchar_t text[kStringLimit + kPathLimit] = L"";
    const wchar_t* at = wcsstr(format, L"%s");
    if (at == NULL) {
        wcscpy(text, format);
    } else {
        wcsncat(text, format, static_cast<size_t>(at - format));
        wcsncat(text, name, kPathLimit - 1);
        wcscat(text, at + 2);
    }
    MessageBoxW(owner, text, caption, MB_TASKMODAL | MB_ICONEXCLAMATION);
}

void FatalCheck(int condition, int stringId, const char* sourceName, long line) {
    if (condition == 0) return;

    // Timer 1 is the one timer the panel could own; stopping it keeps it
    // from firing into a program that is about to end.
    KillTimer(mainWindow, 1);
    ShowMessage(NULL, stringId, 1);

    char location[kStringLimit];
    snprintf(location, sizeof location, "%s/%ld", sourceName, line);
    MessageBoxA(NULL, location, "", MB_TASKMODAL | MB_ICONINFORMATION);

    // A failed check is an abnormal end: exit code 1, no clean-up.
    ExitProcess(1);
}
