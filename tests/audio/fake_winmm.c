/* A planted system DLL: what a DLL lying beside TORVA.EXE under a system
 * DLL's name (WINMM.dll, or an audio driver that WINMM loads by a bare name)
 * would be. When loaded into a process it leaves the file NAME-WAS-LOADED
 * beside itself, NAME being its own file name, and its sndPlaySoundA plays
 * nothing, so a program that took it as WINMM would also fall silent. Built
 * with WITHOUT_SNDPLAYSOUND it stands for a system WINMM that has no
 * sndPlaySoundA at all. */
/* Keeps the system declaration of sndPlaySoundA (mmsystem.h) out. */
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

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

#ifndef WITHOUT_SNDPLAYSOUND
__declspec(dllexport) BOOL WINAPI sndPlaySoundA(LPCSTR name, UINT flags) {
  (void)name;
  (void)flags;
  return FALSE;
}
#endif
