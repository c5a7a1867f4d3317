// The Sound setting in its settings file.
//
// TORVA.INI in the Windows directory is the settings file. A standard user
// cannot write there on current Windows, so the choice may instead live in
// a per-user copy with the same section and key, %APPDATA%\TORVA NT\TORVA.INI,
// which then shadows the Windows-directory file.
#ifndef TORVA_SETTINGS_FILE_H
#define TORVA_SETTINGS_FILE_H

// The Sound value to start with: the per-user copy's when that copy holds
// the key, otherwise the Windows-directory file's (0 when neither has it).
// A copy another program holds is waited for, 0.3 s at most.
// Called once at start-up, with className, soundKeyName and
// settingsFileName loaded; it also finds where the per-user copy belongs.
int ReadSoundSetting();

// Stores a changed Sound choice where the next start will read it: in the
// per-user copy when it exists (or, when it cannot be written, holds no
// key and is not held by another program, in the Windows-directory
// file), otherwise in the Windows-directory file, and when that write
// fails, in a newly made per-user copy. When nothing could be written, a
// message names the file; the choice still holds for this run.
void StoreSoundSetting(int soundOn);

#endif
