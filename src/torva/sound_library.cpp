// The sound library WINMM, loaded from the system folder when the first
// cue plays: it is not one of the DLLs Windows always takes from its own
// folder, so importing it would load a WINMM.DLL lying beside TORVA.EXE,
// and a silent run never needs it.
#include "sound_library.h"

#include "vexlib.h"

namespace {

typedef BOOL(WINAPI* SndPlaySoundFunction)(LPCSTR name, UINT flags);

enum LoadState { kNotTried, kLoaded, kUnavailable };

LoadState loadState = kNotTried;
SndPlaySoundFunction playSound = NULL;  // sndPlaySoundA in the loaded WINMM

}  // namespace

void PlaySoundSynchronously(const char* name) {
    if (loadState == kNotTried) {
        playSound = SystemFunction<SndPlaySoundFunction>("WINMM.DLL", "sndPlaySoundA");
        loadState = playSound != NULL ? kLoaded : kUnavailable;
    }
    if (loadState == kLoaded) playSound(name, 0);
}
