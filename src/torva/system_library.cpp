#include "system_library.h"

#include <cstring>

namespace {

// The full path of fileName in the system directory, or false when it does
// not fit.
bool SystemLibraryPath(const char* fileName, char* path, UINT size) {
    UINT length = GetSystemDirectoryA(path, size);
    if (length == 0 || length + 1 + std::strlen(fileName) + 1 > size) return false;
    path[length] = '\\';
    std::strcpy(path + length + 1, fileName);
    return true;
}

}  // namespace

HMODULE LoadSystemLibrary(const char* fileName) {
    char path[MAX_PATH];
    if (!SystemLibraryPath(fileName, path, sizeof path)) return NULL;
    return LoadLibraryExA(path, NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
}
