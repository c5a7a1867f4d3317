// The sound library, loaded by full path from the system directory.
//
// An imported DLL is looked for in the program's own folder first, and
// WINMM is not one of the DLLs the system always takes from its own
// folder: a WINMM.DLL lying beside TORVA.EXE (in a Downloads folder, say)
// would be loaded into the program at start. So WINMM is not imported; it
// is loaded here from the system directory, and only when the first cue
// plays, which also spares a silent run the cost of loading it.
#include "sound_library.h"

#include <windows.h>

#include <cstring>

namespace {

typedef BOOL(WINAPI* SndPlaySoundFunction)(LPCSTR name, UINT flags);

enum LoadState { kNotTried, kLoaded, kUnavailable };

LoadState loadState = kNotTried;
SndPlaySoundFunction playSound = NULL;  // sndPlaySoundA in the loaded WINMM

// The full path of WINMM.DLL in the system directory, or false when it
// does not fit.
bool SystemLibraryPath(const char* fileName, char* path, UINT size) {
    UINT length = GetSystemDirectoryA(path, size);
    if (length == 0 || length + 1 + std::strlen(fileName) + 1 > size) return false;
    path[length] = '\\';
    std::strcpy(path + length + 1, fileName);
    return true;
}

// With a full path and LOAD_WITH_ALTERED_SEARCH_PATH, the DLLs that WINMM
// itself needs are looked for in the system directory too, not beside the
// program.
LoadState LoadSoundLibrary() {
    char path[MAX_PATH];
    if (!SystemLibraryPath("WINMM.DLL", path, sizeof path)) return kUnavailable;
    HMODULE library = LoadLibraryExA(path, NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (library == NULL) return kUnavailable;
    // GetProcAddress returns every function as FARPROC; going through
    // void (*)(void), the type that stands for any function, says that the
    // cast to the real type is meant.
    playSound = reinterpret_cast<SndPlaySoundFunction>(
        reinterpret_cast<void (*)(void)>(GetProcAddress(library, "sndPlaySoundA")));
    // cppcheck-suppress resourceLeak ; WINMM stays loaded for the life of the process
    return playSound != NULL ? kLoaded : kUnavailable;
}

}  // namespace

void PlaySoundSynchronously(const char* name) {
    if (loadState == kNotTried) loadState = LoadSoundLibrary();
    if (loadState == kLoaded) playSound(name, 0);
}
