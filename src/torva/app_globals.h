// Process-wide state and entry points of the application module.
#ifndef TORVA_APP_GLOBALS_H
#define TORVA_APP_GLOBALS_H

#include "vexlib.h"  // appInstance, mainWindow, kStringLimit, kPathLimit

// Window class name, also the settings file's section name ("TORVA").
extern char className[kStringLimit];
// Settings file name ("TORVA.INI") and the key of the sound flag ("Sound").
extern char settingsFileName[kStringLimit];
extern char soundKeyName[kStringLimit];
// Full path of the help file beside the program; built at WM_CREATE, and
// empty where the ANSI code page cannot spell it.
extern char helpPath[kPathLimit];

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wordParameter,
                                LPARAM longParameter);
INT_PTR CALLBACK SoundDialogProc(HWND dialog, UINT message, WPARAM wordParameter,
                                 LPARAM longParameter);

#endif
