// DLLs the program does not import, loaded by their full path in the system
// directory when first needed.
//
// An imported DLL, or one loaded by its bare name, is looked for in the
// program's own folder first, and only the system's known DLLs are exempt:
// a WINMM.DLL lying beside TORVA.EXE (in a Downloads folder, say) would be
// loaded into the program. So such DLLs are not imported but loaded here.
#ifndef TORVA_SYSTEM_LIBRARY_H
#define TORVA_SYSTEM_LIBRARY_H

#include <windows.h>

// Loads fileName ("WINMM.DLL") from the system directory, or returns NULL.
// With a full path and LOAD_WITH_ALTERED_SEARCH_PATH, the DLLs it needs in
// turn are looked for in the system directory too, not beside the program.
HMODULE LoadSystemLibrary(const char* fileName);

// The named export of library as a function of type Function, or NULL.
// GetProcAddress returns every function as FARPROC; going through
// void (*)(void), the type that stands for any function, says that the
// cast to the real type is meant.
template <typename Function>
Function LibraryFunction(HMODULE library, const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void (*)(void)>(GetProcAddress(library, name)));
}

#endif
