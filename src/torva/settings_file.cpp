// Reading and writing the Sound setting, in the Windows-directory settings
// file or in the user's own copy of it.
//
// Windows itself redirects a failed write to the Windows directory into a
// per-user store, but only for 32-bit programs; a 64-bit program's write
// simply fails. So the program keeps its own per-user copy, the way that
// redirection works: the copy shadows the shared file once it holds the
// key, and it is made when the shared file cannot take a change.
//
// The copy's path is Unicode throughout: it holds the user's name, which
// may have letters the ANSI code page cannot spell.
#include "settings_file.h"

#include <shlobj.h>  // CSIDL_APPDATA; SHELL32 itself is loaded when needed
#include <wchar.h>

#include "app_globals.h"
#include "torva_ids.h"

namespace {

// %APPDATA%\TORVA NT and the copy in it; "" when the user's application-
// data folder is not known or the paths would not fit.
wchar_t userFolder[kPathLimit];
wchar_t userCopy[kPathLimit];
// The file, section and key names, for the copy's Unicode calls.
wchar_t fileName[kStringLimit];
wchar_t section[kStringLimit];
wchar_t key[kStringLimit];

typedef HRESULT(WINAPI* GetFolderPathFunction)(HWND owner, int folder, HANDLE token,
                                               DWORD flags, LPWSTR path);

// The roaming application-data folder where the shell keeps it, which need
// not be where the APPDATA variable the program inherited says. Every
// Windows from XP on has SHGetFolderPathW.
bool FindAppDataFolder(wchar_t* folder) {
    GetFolderPathFunction getFolderPath =
        SystemFunction<GetFolderPathFunction>("SHELL32.DLL", "SHGetFolderPathW");
    return getFolderPath != NULL &&
           getFolderPath(NULL, CSIDL_APPDATA, NULL, SHGFP_TYPE_CURRENT, folder) == S_OK;
}

void FindUserCopy() {
    wchar_t appData[MAX_PATH];
    if (!FindAppDataFolder(appData)) return;
    wchar_t folderName[kStringLimit];
    LoadStringW(appInstance, IDS_SETTINGS_FOLDER, folderName, kStringLimit);
    if (wcslen(appData) + 1 + wcslen(folderName) + 1 + wcslen(fileName) >= (size_t)kPathLimit)
        return;
    wcscpy(userFolder, appData);
    wcscat(userFolder, L"\\");
    wcscat(userFolder, folderName);
    wcscpy(userCopy, userFolder);
    wcscat(userCopy, L"\\");
    wcscat(userCopy, fileName);
}

bool UserCopyExists() {
    return userCopy[0] != L'\0' && GetFileAttributesW(userCopy) != INVALID_FILE_ATTRIBUTES;
}

// Whether the user's copy holds the key; a missing key reads as whichever
// default is given, a present one the same under both.
bool ReadUserCopyKey(int* value) {
    int withDefault0 = static_cast<int>(GetPrivateProfileIntW(section, key, 0, userCopy));
    int withDefault1 = static_cast<int>(GetPrivateProfileIntW(section, key, 1, userCopy));
    *value = withDefault0;
    return withDefault0 == withDefault1;
}

// Whether another program (a file-sync client, an editor) holds the copy
// open or locked at this moment. The profile calls read such a copy as
// empty and report no failure, so it is opened here, for reading with full
// sharing: a sharing violation says it is held open, and one shared lock
// over every byte, refused with a lock violation, that a part of it is
// locked. Either reads as it is once let go. The lock asks nothing of the
// file's contents, so its size does not matter. Anything else (a folder of
// that name, a file this user may never read, a device) will read as empty
// at the next start too.
bool HeldByAnotherProgram() {
    HANDLE file = CreateFileW(userCopy, GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_SHARING_VIOLATION;
    bool locked = false;
    if (GetFileType(file) == FILE_TYPE_DISK) {
        OVERLAPPED everyByte = {};
        if (LockFileEx(file, LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &everyByte)) {
            UnlockFileEx(file, 0, MAXDWORD, MAXDWORD, &everyByte);
        } else {
            locked = GetLastError() == ERROR_LOCK_VIOLATION;
        }
    }
    CloseHandle(file);
    return locked;
}

// A sync client or an editor holds a file for a moment while it writes it:
// a copy held at start is waited for, kHeldCopyWaits times kHeldCopyWaitMs
// (0.3 s) at most, before the Windows-directory file serves.
const int kHeldCopyWaits = 3;
const DWORD kHeldCopyWaitMs = 100;

// The read that came back keyless may have met the hold; the copy is
// read again once it is let go, or once waiting has run out.
bool ReadUserCopyKeyOnceLetGo(int* value) {
    for (int wait = 0; wait < kHeldCopyWaits && HeldByAnotherProgram(); ++wait)
        Sleep(kHeldCopyWaitMs);
    return ReadUserCopyKey(value);
}

bool WriteUserCopy(int soundOn) {
    return WritePrivateProfileStringW(section, key, soundOn ? L"1" : L"0", userCopy) != 0;
}

// The bare name: the profile service keeps the file in the Windows
// directory.
bool WriteWindowsFile(int soundOn) {
    return WritePrivateProfileStringA(className, soundKeyName, soundOn ? "1" : "0",
                                      settingsFileName) != 0;
}

// The folder may exist already; only the write tells whether it worked.
bool WriteNewUserCopy(int soundOn) {
    if (userCopy[0] == L'\0') return false;
    CreateDirectoryW(userFolder, NULL);
    return WriteUserCopy(soundOn);
}

// Writes the choice where the next start will read it. A copy that holds
// the key is read first, so nothing else may take a change it refuses, nor
// one another program holds, which may hold the key. A write that failed
// while no hold is found is tried once more, as the hold may have ended
// in between; only then is the copy's key read. A copy that cannot hold
// one (a folder of that name, an unreadable file) is passed over at the
// next start, so the Windows-directory file serves.
bool SaveSoundSetting(int soundOn) {
    if (UserCopyExists()) {
        int ignored = 0;
        if (WriteUserCopy(soundOn)) return true;
        if (HeldByAnotherProgram()) return false;
        if (WriteUserCopy(soundOn)) return true;
        if (ReadUserCopyKey(&ignored)) return false;
        return WriteWindowsFile(soundOn);
    }
    return WriteWindowsFile(soundOn) || WriteNewUserCopy(soundOn);
}

// The file the user is told about: the per-user copy, where the choice
// would have gone last, or the Windows-directory file when there is none.
void UnsavedFileName(wchar_t* path) {
    if (userCopy[0] != L'\0') {
        wcscpy(path, userCopy);
        return;
    }
    wchar_t windowsFolder[MAX_PATH] = L"";
    GetWindowsDirectoryW(windowsFolder, MAX_PATH);
    wcscpy(path, windowsFolder);
    wcscat(path, L"\\");
    wcscat(path, fileName);
}

}  // namespace

int ReadSoundSetting() {
    MultiByteToWideChar(CP_ACP, 0, settingsFileName, -1, fileName, kStringLimit);
    MultiByteToWideChar(CP_ACP, 0, className, -1, section, kStringLimit);
    MultiByteToWideChar(CP_ACP, 0, soundKeyName, -1, key, kStringLimit);
    FindUserCopy();
    int value = 0;
    if (UserCopyExists() && (ReadUserCopyKey(&value) || ReadUserCopyKeyOnceLetGo(&value)))
        return value;
    return static_cast<int>(GetPrivateProfileIntA(className, soundKeyName, 0, settingsFileName));
}

void StoreSoundSetting(int soundOn) {
    if (SaveSoundSetting(soundOn)) return;
    wchar_t path[kPathLimit + MAX_PATH];
    UnsavedFileName(path);
    ShowMessageNaming(mainWindow, IDS_SETTINGS_NOT_SAVED, path);
}
