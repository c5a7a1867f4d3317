// DLLs of the system folder, loaded when first needed.
//
// The program imports only DLLs that Windows always takes from its own
// folder. Any other DLL looked for by a bare name would be searched for
// beside the program first, and a DLL of that name lying there (in a
// Downloads folder, say) would be loaded into the program. So the others
// are loaded here, by full path, and only when they are first needed,
// which also keeps them out of the start-up.
#include "vexlib.h"

#include <objbase.h>  // COINIT_*; OLE32 itself is loaded when needed
#include <string.h>

bool SystemHasDllSearchFlags() {
    // Asked once: the answer holds for the life of the process.
    static const bool known =
        GetProcAddress(GetModuleHandleA("KERNEL32.DLL"), "AddDllDirectory") != NULL;
    return known;
}

HMODULE LoadSystemLibrary(const char* fileName) {
    char path[MAX_PATH];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length + 1 + strlen(fileName) + 1 > MAX_PATH) return NULL;
    path[length] = '\\';
    strcpy(path + length + 1, fileName);
    // The DLLs this one needs are looked for in the system folder too, not
    // beside the program: where the system knows the search flags by saying
    // so, elsewhere because a full path with LOAD_WITH_ALTERED_SEARCH_PATH
    // searches its own folder first. A system without the flags may ignore
    // them rather than refuse them, so its answer cannot tell.
    return LoadLibraryExA(path, NULL,
                          SystemHasDllSearchFlags() ? LOAD_LIBRARY_SEARCH_SYSTEM32
                                                    : LOAD_WITH_ALTERED_SEARCH_PATH);
}

namespace {

int comStarted = -1;  // not yet tried; then 1 started, 0 refused or ended

}  // namespace

bool StartCom() {
    typedef HRESULT(WINAPI * CoInitializeExFunction)(LPVOID reserved, DWORD model);
    if (comStarted < 0) {
        CoInitializeExFunction initialize =
            SystemFunction<CoInitializeExFunction>("OLE32.DLL", "CoInitializeEx");
        // S_FALSE (started already) is success as well, and is to be ended too.
        comStarted = initialize != NULL &&
                     SUCCEEDED(initialize(NULL, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
    }
    return comStarted == 1;
}

void EndCom() {
    typedef void(WINAPI * CoUninitializeFunction)(void);
    if (comStarted == 1) {
        CoUninitializeFunction uninitialize =
            SystemFunction<CoUninitializeFunction>("OLE32.DLL", "CoUninitialize");
        if (uninitialize != NULL) uninitialize();
    }
    comStarted = 0;
}
