// Reading and writing the Sound setting, in the Windows-directory settings
// file or in the user's own copy of it.
//
// Windows itself redirects a failed write to the Windows directory into a
// per-user store, but only for 32-bit programs; a 64-bit program's write
// simply fails. So the program keeps its own per-user copy, the way that
// redirection works: the copy shadows the shared file once it exists, and
// it is made when the shared file cannot take a change.
#include "settings_file.h"

#include <stdio.h>

#include "app_globals.h"
#include "torva_ids.h"

namespace {

// %APPDATA%\TORVA NT and the copy in it; "" when the user's application-
// data folder is not known or the paths would not fit.
char userFolder[kPathLimit];
char userCopy[kPathLimit];

void FindUserCopy() {
    char appData[kPathLimit];
    DWORD length = GetEnvironmentVariableA("APPDATA", appData, kPathLimit);
    if (length == 0 || length >= (DWORD)kPathLimit) return;
    char folderName[kStringLimit];
    LoadStringA(appInstance, IDS_SETTINGS_FOLDER, folderName, kStringLimit);
    int folderLength = snprintf(userFolder, kPathLimit, "%s\\%s", appData, folderName);
    int copyLength =
        snprintf(userCopy, kPathLimit, "%s\\%s", userFolder, settingsFileName);
    if (folderLength >= kPathLimit || copyLength >= kPathLimit) {
        userFolder[0] = '\0';
        userCopy[0] = '\0';
    }
}

bool UserCopyExists() {
    return userCopy[0] != '\0' && GetFileAttributesA(userCopy) != INVALID_FILE_ATTRIBUTES;
}

// A missing key reads as whichever default is given; a present one reads
// the same under both.
bool ReadSoundKey(const char* file, int* value) {
    int withDefault0 = GetPrivateProfileIntA(className, soundKeyName, 0, file);
    int withDefault1 = GetPrivateProfileIntA(className, soundKeyName, 1, file);
    *value = withDefault0;
    return withDefault0 == withDefault1;
}

bool WriteSoundKey(const char* file, int soundOn) {
    return WritePrivateProfileStringA(className, soundKeyName, soundOn ? "1" : "0", file) != 0;
}

// The folder may exist already; only the write tells whether it worked.
bool WriteNewUserCopy(int soundOn) {
    if (userCopy[0] == '\0') return false;
    CreateDirectoryA(userFolder, NULL);
    return WriteSoundKey(userCopy, soundOn);
}

// The file the user is told about: the per-user copy, where the choice
// would have gone last, or the Windows-directory file when there is none.
void UnsavedFileName(char* path) {
    if (userCopy[0] != '\0') {
        snprintf(path, kPathLimit, "%s", userCopy);
        return;
    }
    char windowsFolder[MAX_PATH] = "";
    GetWindowsDirectoryA(windowsFolder, MAX_PATH);
    snprintf(path, kPathLimit, "%s\\%s", windowsFolder, settingsFileName);
}

}  // namespace

int ReadSoundSetting() {
    FindUserCopy();
    int value = 0;
    if (UserCopyExists() && ReadSoundKey(userCopy, &value)) return value;
    // The bare name: the profile service keeps it in the Windows directory.
    return GetPrivateProfileIntA(className, soundKeyName, 0, settingsFileName);
}

void StoreSoundSetting(int soundOn) {
    const char* target = UserCopyExists() ? userCopy : settingsFileName;
    if (WriteSoundKey(target, soundOn) || WriteNewUserCopy(soundOn)) return;
    char path[kPathLimit];
    UnsavedFileName(path);
    ShowMessageNaming(mainWindow, IDS_SETTINGS_NOT_SAVED, path);
}
