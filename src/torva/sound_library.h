// The sound library (WINMM), loaded from the system directory when the
// first cue plays rather than imported.
#ifndef TORVA_SOUND_LIBRARY_H
#define TORVA_SOUND_LIBRARY_H

// Plays a .wav by name through sndPlaySoundA with flags 0 (synchronous:
// returns when the sound has played). The first call loads WINMM; when it
// cannot be loaded, this and every later call play nothing.
void PlaySoundSynchronously(const char* name);

#endif
