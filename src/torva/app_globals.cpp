// Definitions of the process-wide state of the application module; the
// utility library reads appInstance and mainWindow too.
#include "app_globals.h"

HINSTANCE appInstance = NULL;
HWND mainWindow = NULL;
char className[kStringLimit];
char settingsFileName[kStringLimit];
char soundKeyName[kStringLimit];
char helpPath[kPathLimit];
