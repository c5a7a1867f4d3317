// Copying a text to the clipboard.
#include "vexlib.h"

#include <string.h>

#include "torva_ids.h"

// Copies text and its NUL into the block; false when it cannot be locked.
static bool FillBlock(HGLOBAL block, const char* text, size_t size) {
    char* memory = static_cast<char*>(GlobalLock(block));
    if (memory == NULL) return false;
    memcpy(memory, text, size);
    GlobalUnlock(block);
    return true;
}

bool OpenClipboardPatiently(HWND owner) {
    const int kTries = 25;
    const DWORD kPauseMs = 20;
    for (int tried = 1; !OpenClipboard(owner); ++tried) {
        if (tried == kTries) return false;
        Sleep(kPauseMs);
    }
    return true;
}

// Hands the block to the clipboard as CF_TEXT. The clipboard is closed again
// whatever happens, so other programs can use it at once; on false the block
// still belongs to the caller.
static bool PlaceOnClipboard(HGLOBAL block) {
    if (!OpenClipboardPatiently(mainWindow)) return false;
    bool placed = EmptyClipboard() && SetClipboardData(CF_TEXT, block) != NULL;
    CloseClipboard();
    return placed;
}

void CopyTextToClipboard(const char* text) {
    size_t size = strlen(text) + 1;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (block != NULL && FillBlock(block, text, size) && PlaceOnClipboard(block)) return;

    // Once placed the block is the clipboard's; unplaced it is still ours.
    if (block != NULL) GlobalFree(block);
    ShowMessage(mainWindow, IDS_COPY_FAILED, 0);
}
