/* A planted system DLL: what a DLL lying beside TORVA.EXE under a system
 * DLL's name (WINMM.dll, or an audio driver that WINMM loads by a bare name)
 * would be. When loaded into a process it leaves the file NAME-WAS-LOADED
 * beside itself, NAME being its own file name, and its sndPlaySoundA plays
 * nothing, so a program that took it as WINMM would also fall silent. Built
 * with WITHOUT_SNDPLAYSOUND it stands for a system WINMM that has no
 * sndPlaySoundA at all; built with CUES_TAKE_THEIR_LENGTH, its sndPlaySoundA
 * plays nothing either but returns only after as long as the named .wav
 * would play, which Wine's own audio path, faster than real time, does not,
 * and logs it to the file TORVA_CUE_LOG names. */
/* Keeps the system declaration of sndPlaySoundA (mmsystem.h) out. */
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <stdio.h>
#include <string.h>

static void LeaveMarker(HINSTANCE self) {
  char path[MAX_PATH + 32];
  DWORD length = GetModuleFileNameA(self, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  strcat(path, "-WAS-LOADED");
  HANDLE marker = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
  if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
}

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) LeaveMarker(self);
  return TRUE;
}

#if defined(CUES_TAKE_THEIR_LENGTH)
/* Found as the real one finds a bare name, beside the program first. The
 * cues have the plain 44-byte header (tools/cue_check.py): the byte rate
 * at offset 28, the data's size at 40. */
__declspec(dllexport) BOOL WINAPI sndPlaySoundA(LPCSTR name, UINT flags) {
  char path[MAX_PATH];
  DWORD header[11] = {0}, done = 0, length;
  HANDLE file;
  FILE* log;
  (void)flags;
  if (!SearchPathA(NULL, name, NULL, sizeof path, path, NULL)) return FALSE;
  file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
  if (file == INVALID_HANDLE_VALUE) return FALSE;
  ReadFile(file, header, sizeof header, &done, NULL);
  CloseHandle(file);
  if (done != sizeof header || header[7] == 0) return FALSE;
  /* MulDiv: a 64-bit division would make the 32-bit DLL need libgcc's. */
  Sleep((DWORD)MulDiv((int)header[10], 1000, (int)header[7]));
  /* What was heard and when: a line "NAME END" (GetTickCount) per cue. */
  length = GetEnvironmentVariableA("TORVA_CUE_LOG", path, sizeof path);
  if (length > 0 && length < sizeof path && (log = fopen(path, "a")) != NULL) {
    fprintf(log, "%s %lu\n", name, GetTickCount());
    fclose(log);
  }
  return TRUE;
}
#elif !defined(WITHOUT_SNDPLAYSOUND)
__declspec(dllexport) BOOL WINAPI sndPlaySoundA(LPCSTR name, UINT flags) {
  (void)name;
  (void)flags;
  return FALSE;
}
#endif
