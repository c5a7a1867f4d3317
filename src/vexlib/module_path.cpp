// Paths of files that lie beside the running program.
//
// The program's folder is taken in Unicode: a user's name, and with it a
// Downloads folder, may hold letters the ANSI code page cannot spell, and
// the ANSI module name would then name a folder that does not exist (with
// "?" or best-fit letters in it). The ANSI form of a path is made from the
// Unicode one for the calls that only take ANSI text.
#include "vexlib.h"

#include <stdio.h>
#include <string.h>
#include <wchar.h>

#include "torva_ids.h"

namespace {

enum AnsiPathResult { kAnsiPathSpelled, kAnsiPathUnspellable, kAnsiPathTooLong };

// Converts a Unicode path to the ANSI code page. Unspellable when the code
// page cannot spell every character: no best-fit letters, which could name
// another, existing file. Out is empty unless the path was spelled.
//
// The UTF-8 code page (an option of Windows 10 and 11) spells every
// character, but takes neither the best-fit flag nor the used-default
// pointer: given them, the call fails. There only a broken UTF-16 sequence
// is unspellable, and WC_ERR_INVALID_CHARS makes the call fail on it.
AnsiPathResult ToAnsiPath(const wchar_t* path, char* out, int size) {
    const UINT codePage = GetACP();
    const bool utf8 = codePage == CP_UTF8;
    BOOL lossy = FALSE;
    int written = WideCharToMultiByte(codePage, utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS,
                                      path, -1, out, size, NULL, utf8 ? NULL : &lossy);
    if (written > 0 && !lossy) return kAnsiPathSpelled;
    bool tooLong = written == 0 && GetLastError() == ERROR_INSUFFICIENT_BUFFER;
    out[0] = '\0';
    return tooLong ? kAnsiPathTooLong : kAnsiPathUnspellable;
}

// The program's folder, with the fatal checks of a path that cannot be
// used: none at all (no backslash), or one cut by its buffer.
void FindModuleFolder(wchar_t* folder) {
    ModuleFolderResult result = ModuleFolder(folder, kModulePathSize);
    FatalCheck(result == kModulePathWithoutFolder, IDS_FATAL_CAPTION, "vexlib", 65);
    FatalCheck(result == kModulePathTooLong, IDS_FATAL_CAPTION, "vexlib", 70);
}

}  // namespace

ModuleFolderResult ModuleFolder(wchar_t* folder, DWORD size) {
    wchar_t moduleName[kStringLimit];
    LoadStringW(appInstance, IDS_MODULE_NAME, moduleName, kStringLimit);

    // When no module of that name is loaded (the program file was renamed)
    // the handle is null, which names the running program itself.
    DWORD written = GetModuleFileNameW(GetModuleHandleW(moduleName), folder, size);
    // A path that fills the buffer has been cut (and on XP is not even
    // terminated): its last backslash could then be a parent folder's, and
    // a file of that name there is not ours.
    if (written >= size) return kModulePathTooLong;
    folder[written] = L'\0';  // a failed call wrote nothing

    wchar_t* lastBackslash = wcsrchr(folder, L'\\');
    if (lastBackslash == NULL) return kModulePathWithoutFolder;
    lastBackslash[1] = L'\0';
    return kModuleFolderFound;
}

void ModuleRelativePathW(const wchar_t* fileName, wchar_t* out) {
    wchar_t folder[kModulePathSize];
    FindModuleFolder(folder);
    FatalCheck(wcslen(fileName) + wcslen(folder) + 1 > (size_t)kPathLimit, IDS_FATAL_CAPTION,
               "vexlib", 70);
    wcscpy(out, folder);
    wcscat(out, fileName);
}

bool ModuleRelativePath(const char* fileName, char* out) {
    wchar_t folder[kModulePathSize];
    FindModuleFolder(folder);

    // A folder the code page cannot spell is reached by its short (8.3)
    // name, which is plain ASCII where the file system keeps one.
    char ansiFolder[kPathLimit];
    AnsiPathResult result = ToAnsiPath(folder, ansiFolder, kPathLimit);
    if (result != kAnsiPathSpelled) {
        wchar_t shortFolder[kModulePathSize];
        DWORD length = GetShortPathNameW(folder, shortFolder, kModulePathSize);
        if (length > 0 && length < kModulePathSize)
            result = ToAnsiPath(shortFolder, ansiFolder, kPathLimit);
    }

    FatalCheck(result == kAnsiPathTooLong ||
                   (result == kAnsiPathSpelled &&
                    strlen(fileName) + strlen(ansiFolder) + 1 > (size_t)kPathLimit),
               IDS_FATAL_CAPTION, "vexlib", 70);
    if (result != kAnsiPathSpelled) {
        out[0] = '\0';
        return false;
    }
    snprintf(out, kPathLimit, "%s%s", ansiFolder, fileName);
    return true;
}
