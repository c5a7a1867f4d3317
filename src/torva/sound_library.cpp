// The sound library, loaded by full path from the system directory.
//
// WINMM is not one of the DLLs the system always takes from its own
// folder, so it is not imported (see system_library.h). It is loaded only
// when the first cue plays, which also spares a silent run the cost of
// loading it.
#include "sound_library.h"

#include "system_library.h"

namespace {

typedef BOOL(WINAPI* SndPlaySoundFunction)(LPCSTR name, UINT flags);

enum LoadState { kNotTried, kLoaded, kUnavailable };

LoadState loadState = kNotTried;
SndPlaySoundFunction playSound = NULL;  // sndPlaySoundA in the loaded WINMM

LoadState LoadSoundLibrary() {
    HMODULE library = LoadSystemLibrary("WINMM.DLL");
    if (library == NULL) return kUnavailable;
    playSound = LibraryFunction<SndPlaySoundFunction>(library, "sndPlaySoundA");
    // cppcheck-suppress resourceLeak ; WINMM stays loaded for the life of the process
    return playSound != NULL ? kLoaded : kUnavailable;
}

}  // namespace

void PlaySoundSynchronously(const char* name) {
    if (loadState == kNotTried) loadState = LoadSoundLibrary();
    if (loadState == kLoaded) playSound(name, 0);
}
