// Paths of files that lie beside the running program.
#include "vexlib.h"

#include <stdio.h>
#include <string.h>

#include "torva_ids.h"

// The module path buffer holds 1024 characters and a NUL.
static const DWORD kModulePathSize = 1025;

void ModuleRelativePath(const char* fileName, char* out) {
    char moduleName[kStringLimit];
    LoadStringA(appInstance, IDS_MODULE_NAME, moduleName, kStringLimit);

    // When no module of that name is loaded (the program file was renamed)
    // the handle is null, which names the running program itself.
    char path[kModulePathSize];
    DWORD written = GetModuleFileNameA(GetModuleHandleA(moduleName), path, kModulePathSize);
    // A path that fills the buffer may come back without a NUL; a failed call
    // writes nothing. Either way the text ends where the platform stopped.
    if (written >= kModulePathSize) written = kModulePathSize - 1;
    path[written] = '\0';

    char* lastBackslash = strrchr(path, '\\');
    FatalCheck(lastBackslash == NULL, IDS_FATAL_CAPTION, "vexlib", 65);
    lastBackslash[1] = '\0';

    FatalCheck(strlen(fileName) + strlen(path) + 1 > (size_t)kPathLimit, IDS_FATAL_CAPTION,
               "vexlib", 70);
    snprintf(out, kPathLimit, "%s%s", path, fileName);
}
